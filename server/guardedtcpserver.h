#pragma once

#include "connectionlimits.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>

// A TCP server whose every connection has a ConnectionGuard in front of the HTTP server.
class GuardedTcpServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit GuardedTcpServer(const ConnectionLimits &limits, QObject *parent = nullptr);

Q_SIGNALS:
    void refused(const QHostAddress &peer, const QByteArray &requestLine, int status);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    ConnectionLimits m_limits;
};
