#pragma once

#include <QByteArray>
#include <QTcpSocket>

// One request and its whole answer over a blocking socket: the server must answer from a thread or
// process of its own.
struct HttpExchange
{
    // The whole answer, head and body; empty when no complete answer came.
    static QByteArray answer(QTcpSocket &socket, const QByteArray &request, int timeoutMs = 5000)
    {
        socket.write(request);
        QByteArray buffer;
        for (qsizetype end = -1, length = 0; end < 0 || buffer.size() < end + 4 + length;) {
            if (!socket.waitForReadyRead(timeoutMs))
                return {};
            buffer += socket.readAll();
            if (end < 0 && (end = buffer.indexOf("\r\n\r\n")) >= 0) {
                const qsizetype at = buffer.toLower().indexOf("\r\ncontent-length:");
                length = at < 0 || at > end ? 0 : buffer.mid(at + 17).split('\r').first().trimmed().toLongLong();
            }
        }
        return buffer;
    }

    // The answer's status; 0 when no complete answer came.
    static int status(QTcpSocket &socket, const QByteArray &request) { return answer(socket, request).mid(9, 3).toInt(); }
};
