#include "httpexchange.h"

#include <QTcpSocket>

int HttpExchange::status(QTcpSocket &socket, const QByteArray &request)
{
    socket.write(request);
    QByteArray buffer;
    qsizetype headerEnd = -1;
    qsizetype length = -1;
    while (headerEnd < 0 || buffer.size() < headerEnd + 4 + length) {
        if (!socket.waitForReadyRead(5000))
            return 0;
        buffer += socket.readAll();
        if (headerEnd < 0 && (headerEnd = buffer.indexOf("\r\n\r\n")) >= 0) {
            const qsizetype at = buffer.toLower().indexOf("\r\ncontent-length:");
            length = at < 0 || at > headerEnd ? 0 : buffer.mid(at + 17).split('\r').first().trimmed().toLongLong();
        }
    }
    return buffer.mid(9, 3).toInt();
}
