#pragma once

#include <QByteArray>
#include <QMap>

class QTcpSocket;

// One request and its answer over a blocking socket: the test thread waits meanwhile, so the
// server must answer from a thread or process of its own.
struct HttpExchange
{
    int status = 0;    // 0: no complete answer came
    QMap<QByteArray, QByteArray> headers;    // lower-case names
    QByteArray body;

    // `head`: the answer to a HEAD request, whose Content-Length has no body behind it.
    static HttpExchange over(QTcpSocket &socket, const QByteArray &request, bool head = false);
    static HttpExchange to(quint16 port, const QByteArray &request);
};
