#pragma once

#include "connectionlimits.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QTcpSocket;

// Watches the bytes coming in on one connection, ahead of the HTTP server that reads them, and
// refuses a request whose header or declared body is over the limit before the body is read: Qt's
// HTTP server would otherwise hold any body in memory whole, and wait for ever on a request that
// never ends. A refused connection gets its status (413 body too large, 411 chunked body, 431
// header too large, 400 bad length, 408 request stalled), is half-closed and drained, and the
// server sees nothing more of it. An idle keep-alive connection is closed after a while.
class ConnectionGuard : public QObject
{
    Q_OBJECT

public:
    // Must be made before anyone else connects to the socket's readyRead, and whoever reads the
    // socket after it must take all that is there on every readyRead, as Qt's HTTP server does:
    // the guard inspects only what is new.
    ConnectionGuard(QTcpSocket *socket, const ConnectionLimits &limits);

Q_SIGNALS:
    void refused(const QByteArray &requestLine, int status);

private:
    enum class State { Header, Body, Refused };

    void inspect();
    void inspectBytes(const QByteArray &data);
    // Reads one complete request header; false if the request was refused.
    bool checkHeader(const QByteArray &header);
    void refuse(int status, const QByteArray &requestLine);
    void drain();
    void timedOut();
    void restartTimer();

    QTcpSocket *m_socket = nullptr;
    ConnectionLimits m_limits;
    QTimer m_timer;
    State m_state = State::Header;
    QByteArray m_header;        // the part of the current header seen so far
    qint64 m_bodyLeft = 0;
};
