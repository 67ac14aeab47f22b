#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>

// A TCP server whose every connection has a RequestSizeGuard in front of the HTTP server.
class GuardedTcpServer : public QTcpServer
{
    Q_OBJECT

public:
    GuardedTcpServer(qint64 maxBodySize, qint64 maxHeaderSize, QObject *parent = nullptr);

Q_SIGNALS:
    void refused(const QHostAddress &peer, const QByteArray &requestLine, int status);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    qint64 m_maxBodySize = 0;
    qint64 m_maxHeaderSize = 0;
};
