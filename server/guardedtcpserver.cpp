#include "guardedtcpserver.h"

#include "connectionguard.h"

#include <QTcpSocket>

#include <unistd.h>

GuardedTcpServer::GuardedTcpServer(const ConnectionLimits &limits, QObject *parent)
    : QTcpServer(parent), m_limits(limits)
{
}

void GuardedTcpServer::incomingConnection(qintptr socketDescriptor)
{
    auto socket = std::make_unique<QTcpSocket>(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        ::close(int(socketDescriptor));
        return;
    }
    // The guard connects to readyRead now, before the HTTP server does, so it sees bytes first.
    auto *guard = new ConnectionGuard(socket.get(), m_limits);
    const QHostAddress peer = socket->peerAddress();
    connect(guard, &ConnectionGuard::refused, this,
            [this, peer](const QByteArray &requestLine, int status) { Q_EMIT refused(peer, requestLine, status); });
    addPendingConnection(socket.release());
}
