#include "guardedtcpserver.h"

#include "requestsizeguard.h"

#include <QTcpSocket>

#include <unistd.h>

GuardedTcpServer::GuardedTcpServer(qint64 maxBodySize, qint64 maxHeaderSize, QObject *parent)
    : QTcpServer(parent), m_maxBodySize(maxBodySize), m_maxHeaderSize(maxHeaderSize)
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
    auto *guard = new RequestSizeGuard(socket.get(), m_maxBodySize, m_maxHeaderSize);
    const QHostAddress peer = socket->peerAddress();
    connect(guard, &RequestSizeGuard::refused, this,
            [this, peer](const QByteArray &requestLine, int status) { Q_EMIT refused(peer, requestLine, status); });
    addPendingConnection(socket.release());
}
