#include "httpexchange.h"

#include <QTcpSocket>

HttpExchange HttpExchange::over(QTcpSocket &socket, const QByteArray &request, bool head)
{
    HttpExchange answer;
    socket.write(request);
    QByteArray buffer;
    qsizetype headerEnd = -1;
    qsizetype length = -1;
    while (headerEnd < 0 || buffer.size() < headerEnd + 4 + length) {
        if (!socket.waitForReadyRead(5000))
            return {};
        buffer += socket.readAll();
        if (headerEnd < 0 && (headerEnd = buffer.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
            answer.status = lines.first().split(' ').value(1).toInt();
            for (const QByteArray &line : lines.mid(1)) {
                const qsizetype colon = line.indexOf(':');
                answer.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
            }
            length = head ? 0 : answer.headers.value("content-length", "0").toLongLong();
        }
    }
    answer.body = buffer.mid(headerEnd + 4, length);
    return answer;
}

HttpExchange HttpExchange::to(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(5000) ? over(socket, request) : HttpExchange{};
}
