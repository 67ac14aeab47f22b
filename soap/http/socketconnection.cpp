#include "socketconnection.h"

#include "errornumbers.h"
#include "hostlookup.h"
#include "layererror.h"

#include <QSslSocket>

namespace soap {

namespace {

bool viaProxy(const QNetworkProxy &proxy)
{
    return proxy.type() != QNetworkProxy::NoProxy;
}

} // namespace

bool SocketConnection::Target::operator==(const Target &other) const
{
    return tls == other.tls && host == other.host && port == other.port && proxy == other.proxy;
}

SocketConnection::SocketConnection(Target target)
    : m_target(std::move(target))
{
}

SocketConnection::~SocketConnection()
{
    if (m_socket)
        m_socket->abort();
}

void SocketConnection::open(const Deadline &deadline, const QString &where)
{
    if (m_target.tls) {
        auto socket = std::make_unique<QSslSocket>();
        socket->setPeerVerifyName(m_target.host);
        // Qt notes a record that does not decrypt and waits on for more, until the deadline or a
        // close that would pass for the stream's end: the connection ends at once instead.
        QObject::connect(socket.get(), &QAbstractSocket::errorOccurred, socket.get(),
                         [tls = socket.get()](QAbstractSocket::SocketError error) {
                             if (error == QAbstractSocket::SslInternalError)
                                 tls->abort();
                         });
        m_socket = std::move(socket);
    } else {
        m_socket = std::make_unique<QTcpSocket>();
    }
    QNetworkProxy proxy = m_target.proxy;
    if (viaProxy(proxy)) {
        // The proxy's own name is looked up here, where the deadline holds; Qt's lookup would not.
        const HostLookup::Result found = HostLookup::lookup(proxy.hostName(), deadline);
        if (found.timedOut)
            throw deadline.timeoutError(where);
        if (found.addresses.isEmpty())
            throw LayerError::make(ErrorNumber::CannotConnect,
                                   QStringLiteral("Kunde inte ansluta till %1 via proxyservern: proxyservern %2 "
                                                  "hittades inte").arg(where, proxy.hostName()));
        proxy.setHostName(found.addresses.first().toString());
        m_socket->setProxy(proxy);
        // The proxy looks up the host.
        connectTo(m_target.host, deadline, where);
    } else {
        m_socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        const HostLookup::Result found = HostLookup::lookup(m_target.host, deadline);
        if (found.timedOut)
            throw deadline.timeoutError(where);
        if (found.addresses.isEmpty())
            throw LayerError::make(ErrorNumber::HostNotFound,
                                   QStringLiteral("Kunde inte ansluta till %1: värddatorn hittades inte").arg(where));
        // Every address in turn, as long as time allows: a host may listen on IPv4 only.
        for (qsizetype i = 0; i < found.addresses.size(); ++i) {
            try {
                connectTo(found.addresses.at(i).toString(), deadline, where);
                break;
            } catch (const RaisedError &error) {
                if (i + 1 == found.addresses.size() || error.number() == ErrorNumber::Timeout)
                    throw;
            }
        }
    }
    // Head and body go out in one write, and the answer is waited for: no reason for Nagle.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

void SocketConnection::connectTo(const QString &host, const Deadline &deadline, const QString &where)
{
    m_socket->abort();
    if (m_target.tls) {
        auto *ssl = static_cast<QSslSocket *>(m_socket.get());
        ssl->connectToHostEncrypted(host, m_target.port, m_target.host);
        if (!ssl->waitForEncrypted(deadline.remainingMs())) {
            if (deadline.passed())
                throw deadline.timeoutError(where);
            throw failure(where);
        }
        return;
    }
    m_socket->connectToHost(host, m_target.port, QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (!m_socket->waitForConnected(deadline.remainingMs())) {
        if (deadline.passed())
            throw deadline.timeoutError(where);
        throw failure(where);
    }
}

void SocketConnection::write(const QByteArray &data, const Deadline &deadline, const QString &where)
{
    if (m_socket->write(data) != data.size())
        throw failure(where);
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(deadline.remainingMs())) {
            if (deadline.passed())
                throw deadline.timeoutError(where);
            throw failure(where);
        }
    }
}

qsizetype SocketConnection::read(char *into, qsizetype size, const Deadline &deadline, const QString &where)
{
    for (;;) {
        const qint64 got = m_socket->read(into, size);
        if (got > 0)
            return qsizetype(got);
        // All that arrived is handed out: the peer's close ends the stream (a TLS socket stays
        // "connected" after it), any other failure is one, not the stream's end.
        if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
            return 0;
        if (got < 0 || m_socket->state() != QAbstractSocket::ConnectedState)
            throw failure(where);
        deadline.check(where);
        if (!m_socket->waitForReadyRead(deadline.remainingMs())) {
            if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
                return 0;
            if (deadline.passed())
                throw deadline.timeoutError(where);
            throw failure(where);
        }
    }
}

bool SocketConnection::isIdle() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesAvailable() == 0;
}

RaisedError SocketConnection::failure(const QString &where) const
{
    const QString detail = m_socket->errorString();
    switch (m_socket->error()) {
    case QAbstractSocket::ConnectionRefusedError:
        if (viaProxy(m_target.proxy))
            break;
        return LayerError::make(ErrorNumber::CannotConnect,
                                QStringLiteral("Kunde inte ansluta till %1: anslutningen nekades").arg(where));
    case QAbstractSocket::HostNotFoundError:
        if (viaProxy(m_target.proxy))
            break;
        return LayerError::make(ErrorNumber::HostNotFound,
                                QStringLiteral("Kunde inte ansluta till %1: värddatorn hittades inte").arg(where));
    case QAbstractSocket::RemoteHostClosedError:
        return LayerError::make(ErrorNumber::ConnectionClosed,
                                QStringLiteral("Servern %1 stängde anslutningen innan svaret var komplett").arg(where));
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return LayerError::make(ErrorNumber::TlsFailure,
                                QStringLiteral("Säker anslutning till %1 misslyckades: %2").arg(where, detail));
    case QAbstractSocket::ProxyAuthenticationRequiredError:
    case QAbstractSocket::ProxyConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
    case QAbstractSocket::ProxyNotFoundError:
    case QAbstractSocket::ProxyProtocolError:
        break;
    default:
        return LayerError::make(ErrorNumber::TransportFailure,
                                QStringLiteral("Överföringen från %1 misslyckades: %2").arg(where, detail));
    }
    return LayerError::make(ErrorNumber::CannotConnect,
                            QStringLiteral("Kunde inte ansluta till %1 via proxyservern: %2").arg(where, detail));
}

} // namespace soap
