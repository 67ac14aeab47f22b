#include "intakeserver.h"

#include "httpserver.h"
#include "intakeroutes.h"
#include "tlscontext.h"

namespace {

HttpLimits intakeLimits(HttpLimits limits)
{
    limits.maxBodyBytes = IntakeServer::MaxBodyBytes;
    limits.maxConnections = std::min(limits.maxConnections, IntakeServer::MaxConnections);
    return limits;
}

} // namespace

IntakeServer::IntakeServer(IntakeService &intake, const HttpLimits &soapLimits, bool logRequests, MetricsRegistry &metrics)
    : m_server(std::make_unique<HttpServer>(IntakeRoutes::of(intake), intakeLimits(soapLimits), logRequests, Threads))
{
    m_server->countIn(metrics, "intake");
}

IntakeServer::~IntakeServer() = default;

quint16 IntakeServer::listen(const QHostAddress &address, quint16 port, const QString &tlsCertificate, const QString &tlsKey)
{
    std::shared_ptr<boost::asio::ssl::context> tls;
    if (!tlsCertificate.isEmpty())
        tls = TlsContext::fromFiles(tlsCertificate.toStdString(), tlsKey.toStdString());
    m_tls = bool(tls);
    return m_server->listen(address.toString().toStdString(), port, std::move(tls));
}

QString IntakeServer::url(const QHostAddress &address, quint16 port) const
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("[%1]").arg(address.toString())
                                                                              : address.toString();
    return QStringLiteral("%1://%2:%3/reports").arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"), host).arg(port);
}

void IntakeServer::start()
{
    m_server->start();
}

void IntakeServer::drain()
{
    m_server->drain();
}
