#pragma once

#include <QByteArray>

class QTcpSocket;

// One request and its whole answer over a blocking socket: the server must answer from a thread or
// process of its own.
struct HttpExchange
{
    // The answer's status; 0 when no complete answer came.
    static int status(QTcpSocket &socket, const QByteArray &request);
};
