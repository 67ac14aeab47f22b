#pragma once

#include "deadline.h"

#include <QByteArray>
#include <QNetworkProxy>
#include <QString>

#include <memory>

class QTcpSocket;

namespace soap {

// One TCP (or TLS) connection, used from the calling thread with waits that dispatch no event
// and end at the deadline. Plain connections are unbuffered: a read goes straight from the
// socket into the caller's memory. Every failure raises RaisedError naming `where`.
class SocketConnection
{
public:
    struct Target
    {
        bool tls = false;
        QString host;
        quint16 port = 0;
        // A proxy the socket itself talks through (SOCKS, or an HTTP proxy's CONNECT); NoProxy for
        // a direct connection, also to an HTTP proxy that takes absolute URLs.
        QNetworkProxy proxy = QNetworkProxy(QNetworkProxy::NoProxy);

        bool operator==(const Target &other) const;
    };

    explicit SocketConnection(Target target);
    ~SocketConnection();

    SocketConnection(const SocketConnection &) = delete;
    SocketConnection &operator=(const SocketConnection &) = delete;

    const Target &target() const { return m_target; }
    void open(const Deadline &deadline, const QString &where);
    void write(const QByteArray &data, const Deadline &deadline, const QString &where);
    // Waits for at least one byte and reads up to size; 0 once the peer has closed.
    qsizetype read(char *into, qsizetype size, const Deadline &deadline, const QString &where);
    // Still connected, with nothing unread: fit for another request.
    bool isIdle() const;

private:
    void connectTo(const QString &host, const Deadline &deadline, const QString &where);
    RaisedError failure(const QString &where) const;

    Target m_target;
    std::unique_ptr<QTcpSocket> m_socket;
};

} // namespace soap
