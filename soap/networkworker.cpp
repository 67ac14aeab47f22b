#include "networkworker.h"

#include "errornumbers.h"
#include "exchangequeue.h"
#include "systemproxyfactory.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace soap {

namespace {

constexpr qint64 ReadPiece = 256 * 1024;

bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    // Qt reports 4xx/5xx answers as errors, but their bodies may still hold a SOAP Fault.
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || error == QNetworkReply::ProtocolInvalidOperationError
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

std::pair<std::int32_t, QString> describe(QNetworkReply::NetworkError error, const QString &url,
                                          const QString &detail)
{
    using E = QNetworkReply::NetworkError;
    switch (error) {
    case E::ConnectionRefusedError:
        return {ErrorNumber::CannotConnect,
                QStringLiteral("Kunde inte ansluta till %1: anslutningen nekades").arg(url)};
    case E::HostNotFoundError:
        return {ErrorNumber::HostNotFound,
                QStringLiteral("Kunde inte ansluta till %1: värddatorn hittades inte").arg(url)};
    case E::RemoteHostClosedError:
        return {ErrorNumber::ConnectionClosed,
                QStringLiteral("Servern %1 stängde anslutningen innan svaret var komplett").arg(url)};
    case E::TimeoutError:
        return {ErrorNumber::Timeout, QStringLiteral("Tidsgränsen gick ut för %1").arg(url)};
    case E::SslHandshakeFailedError:
        return {ErrorNumber::TlsFailure,
                QStringLiteral("Säker anslutning till %1 misslyckades: %2").arg(url, detail)};
    case E::TooManyRedirectsError:
        return {ErrorNumber::UnsafeRedirect,
                QStringLiteral("För många omdirigeringar från %1").arg(url)};
    case E::InsecureRedirectError:
        return {ErrorNumber::UnsafeRedirect,
                QStringLiteral("%1 omdirigerade till en mindre säker adress").arg(url)};
    case E::ProtocolUnknownError:
        return {ErrorNumber::UnsupportedUrl,
                QStringLiteral("Adressen %1 går inte att hämta: endast http och https stöds")
                    .arg(url)};
    case E::ProxyConnectionRefusedError:
    case E::ProxyConnectionClosedError:
    case E::ProxyNotFoundError:
    case E::ProxyTimeoutError:
    case E::ProxyAuthenticationRequiredError:
        return {ErrorNumber::CannotConnect,
                QStringLiteral("Kunde inte ansluta till %1 via proxyservern: %2").arg(url, detail)};
    default:
        break;
    }
    return {ErrorNumber::TransportFailure,
            QStringLiteral("Överföringen från %1 misslyckades: %2").arg(url, detail)};
}

} // namespace

NetworkWorker::NetworkWorker(TransportLimits limits)
    : m_limits(limits)
{
}

void NetworkWorker::setProxy(const ProxySetting &proxy)
{
    m_proxy = proxy;
    QNetworkAccessManager &nam = manager();
    switch (proxy.mode) {
    case ProxySetting::Mode::Direct:
        nam.setProxyFactory(nullptr);
        nam.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        break;
    case ProxySetting::Mode::System:
        nam.setProxyFactory(new SystemProxyFactory); // the manager takes ownership
        break;
    case ProxySetting::Mode::Explicit:
        nam.setProxyFactory(nullptr);
        nam.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, proxy.host, proxy.port));
        break;
    }
}

QNetworkAccessManager &NetworkWorker::manager()
{
    if (!m_manager) {
        m_manager = new QNetworkAccessManager(this);
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    }
    return *m_manager;
}

void NetworkWorker::start(const HttpRequest &request, const std::shared_ptr<ExchangeQueue> &queue)
{
    release();
    m_queue = queue;
    m_url = request.url;
    m_received = 0;
    m_headSent = false;
    m_finished = false;

    const QString scheme = request.url.scheme().toLower();
    if (!request.url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        auto [number, description] = describe(QNetworkReply::ProtocolUnknownError,
                                              request.url.toDisplayString(), {});
        fail(number, description);
        return;
    }

    QNetworkRequest networkRequest(request.url);
    // Some SOAP servers break on HTTP/2 upgrades and multiplexing; SOAP 1.1 is plain HTTP/1.1.
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // Follow redirects only where they are as safe as the original (never https to http).
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::NoLessSafeRedirectPolicy);
    networkRequest.setMaximumRedirectsAllowed(m_limits.maxRedirects);
    for (const auto &header : request.headers)
        networkRequest.setRawHeader(header.first, header.second);

    QNetworkReply *reply = request.post ? manager().post(networkRequest, request.body)
                                        : manager().get(networkRequest);
    // Bounded so that a caller slower than the network stops the socket being read.
    reply->setReadBufferSize(ReadPiece * 4);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, &NetworkWorker::pump);
    connect(reply, &QNetworkReply::finished, this, &NetworkWorker::onFinished);
}

void NetworkWorker::sendHead()
{
    if (m_headSent || !m_reply)
        return;
    m_headSent = true;
    ExchangeEvent event;
    event.kind = ExchangeEvent::Kind::Head;
    event.head.status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    event.head.reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    event.head.contentType = m_reply->rawHeader("Content-Type");
    event.head.url = m_reply->url();
    m_queue->push(std::move(event));

    const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced > m_limits.maxAnswerSize)
        fail(ErrorNumber::AnswerTooLarge,
             QStringLiteral("Svaret från %1 är större än gränsen på %2 byte")
                 .arg(m_url.toDisplayString())
                 .arg(m_limits.maxAnswerSize));
}

void NetworkWorker::pump()
{
    if (!m_reply || !m_queue)
        return;
    if (m_reply->error() != QNetworkReply::NoError && !isHttpStatusError(m_reply->error()))
        return; // onFinished reports it
    sendHead();
    while (m_reply && m_reply->bytesAvailable() > 0 && m_queue->hasRoom()) {
        ExchangeEvent event;
        event.kind = ExchangeEvent::Kind::Data;
        event.data = m_reply->read(ReadPiece);
        m_received += event.data.size();
        if (m_received > m_limits.maxAnswerSize) {
            fail(ErrorNumber::AnswerTooLarge,
                 QStringLiteral("Svaret från %1 är större än gränsen på %2 byte")
                     .arg(m_url.toDisplayString())
                     .arg(m_limits.maxAnswerSize));
            return;
        }
        m_queue->push(std::move(event));
    }
    if (m_reply && m_finished && m_reply->bytesAvailable() == 0) {
        ExchangeEvent done;
        done.kind = ExchangeEvent::Kind::Done;
        m_queue->push(std::move(done));
        release();
    }
}

void NetworkWorker::onFinished()
{
    if (!m_reply)
        return;
    m_finished = true;
    const QNetworkReply::NetworkError error = m_reply->error();
    const bool hasStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (error == QNetworkReply::NoError || (hasStatus && isHttpStatusError(error))) {
        pump();
        return;
    }
    // Qt refuses a redirect off http(s) as an unknown protocol; say what really happened.
    const QUrl target = QUrl::fromEncoded(m_reply->rawHeader("Location"));
    if (error == QNetworkReply::ProtocolUnknownError && !target.isEmpty()) {
        fail(ErrorNumber::UnsafeRedirect,
             QStringLiteral("%1 omdirigerade till %2, som varken är http eller https")
                 .arg(m_reply->url().toDisplayString(), m_reply->url().resolved(target).toDisplayString()));
        return;
    }
    auto [number, description] = describe(error, m_reply->url().toDisplayString(),
                                          m_reply->errorString());
    fail(number, description);
}

void NetworkWorker::fail(std::int32_t number, const QString &description)
{
    if (m_queue) {
        ExchangeEvent event;
        event.kind = ExchangeEvent::Kind::Failed;
        event.errorNumber = number;
        event.errorDescription = description;
        m_queue->push(std::move(event));
    }
    release();
}

void NetworkWorker::abort()
{
    release();
}

void NetworkWorker::release()
{
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_queue.reset();
}

} // namespace soap
