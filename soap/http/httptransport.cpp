#include "httptransport.h"

#include "bodysink.h"
#include "chunkeddecoder.h"
#include "errornumbers.h"
#include "httpheadparser.h"
#include "inflater.h"
#include "layererror.h"
#include "raisederror.h"
#include "socketconnection.h"

#include <QNetworkProxyFactory>

#include <cstring>
#include <optional>

namespace soap {

namespace {

// One socket read; also what the parser's buffer is fed at a time.
constexpr qsizetype Piece = 128 * 1024;
// 100 Continue and its kind before the real answer; a server that sends them without end is cut.
constexpr int MaxInterimAnswers = 8;

RaisedError transportError(const QString &where, const QString &what)
{
    return LayerError::make(ErrorNumber::TransportFailure,
                            QStringLiteral("Överföringen från %1 misslyckades: %2").arg(where, what));
}

RaisedError tooLarge(const QString &where, qint64 cap)
{
    return LayerError::make(ErrorNumber::AnswerTooLarge,
                            QStringLiteral("Svaret från %1 är större än gränsen på %2 byte").arg(where).arg(cap));
}

RaisedError closedEarly(const QString &where)
{
    return LayerError::make(ErrorNumber::ConnectionClosed,
                            QStringLiteral("Servern %1 stängde anslutningen innan svaret var komplett").arg(where));
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A field that would end the line early would let the WSDL write fields of its own.
bool isFieldText(const QByteArray &text)
{
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    }
    return true;
}

} // namespace

struct HttpTransport::Route
{
    SocketConnection::Target target;
    bool absoluteForm = false; // an HTTP proxy that takes whole URLs
    bool viaProxy = false;
    QNetworkProxy proxy;       // for absoluteForm: the proxy and its credentials
};

struct HttpTransport::Answer
{
    HttpHeadParser head;
    std::unique_ptr<SocketConnection> connection; // null: closed before answering at all
    qsizetype begin = 0;                          // body bytes read along with the head, in m_buffer
    qsizetype end = 0;
};

HttpTransport::HttpTransport(TransportLimits limits)
    : m_limits(limits)
{
}

HttpTransport::~HttpTransport() = default;

HttpResponseHead HttpTransport::exchange(const OutgoingRequest &request, BodySink &sink)
{
    return exchange(request, sink, Deadline::after(m_limits.timeout, m_limits.endsBy));
}

HttpResponseHead HttpTransport::exchange(const OutgoingRequest &original, BodySink &sink, const Deadline &deadline)
{
    OutgoingRequest request = original;
    for (int redirects = 0;; ++redirects) {
        const QString where = request.url.toDisplayString();
        const QString scheme = request.url.scheme().toLower();
        if (!request.url.isValid() || request.url.host().isEmpty()
            || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            throw LayerError::make(ErrorNumber::UnsupportedUrl,
                                   QStringLiteral("Adressen %1 går inte att hämta: endast http och https stöds")
                                       .arg(where));

        const Route route = routeFor(request.url);
        Answer answer = send(route, request, deadline);
        const int status = answer.head.status();
        if (route.absoluteForm && status == 407)
            throw LayerError::make(ErrorNumber::CannotConnect,
                                   QStringLiteral("Kunde inte ansluta till %1 via proxyservern: proxyservern kräver "
                                                  "inloggning").arg(where));
        if (isRedirect(status) && !answer.head.location().isEmpty()) {
            const QUrl target = request.url.resolved(QUrl::fromEncoded(answer.head.location()));
            const QString targetScheme = target.scheme().toLower();
            if (targetScheme != QLatin1String("http") && targetScheme != QLatin1String("https"))
                throw LayerError::make(ErrorNumber::UnsafeRedirect,
                                       QStringLiteral("%1 omdirigerade till %2, som varken är http eller https")
                                           .arg(where, target.toDisplayString()));
            if (scheme == QLatin1String("https") && targetScheme == QLatin1String("http"))
                throw LayerError::make(ErrorNumber::UnsafeRedirect,
                                       QStringLiteral("%1 omdirigerade till en mindre säker adress").arg(where));
            if (redirects >= m_limits.maxRedirects)
                throw LayerError::make(ErrorNumber::UnsafeRedirect,
                                       QStringLiteral("För många omdirigeringar från %1").arg(where));
            // 303, and 301 or 302 after a POST, go on as a GET, as browsers and Qt do.
            if (status == 303 || ((status == 301 || status == 302) && request.post)) {
                request.post = false;
                request.body.clear();
            }
            request.url = target;
            continue; // the redirect's own body is not read; its connection goes
        }

        const std::optional<qint64> announced = answer.head.contentLength();
        if (!answer.head.hasNoBody() && !answer.head.chunked() && announced && *announced > m_limits.maxAnswerSize)
            throw tooLarge(where, m_limits.maxAnswerSize);
        HttpResponseHead head;
        head.status = status;
        head.reason = answer.head.reason();
        head.contentType = answer.head.contentType();
        head.url = request.url;
        sink.begin(head);
        readBody(answer, sink, deadline, where);
        return head;
    }
}

HttpTransport::Route HttpTransport::routeFor(const QUrl &url) const
{
    const bool tls = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    Route route;
    route.target.tls = tls;
    route.target.host = url.host();
    route.target.port = quint16(url.port(tls ? 443 : 80));

    QList<QNetworkProxy> proxies;
    switch (m_proxy.mode) {
    case ProxySetting::Mode::Direct:
        break;
    case ProxySetting::Mode::Explicit:
        proxies.append(QNetworkProxy(QNetworkProxy::HttpProxy, m_proxy.host, m_proxy.port));
        break;
    case ProxySetting::Mode::System:
        // Asked anew for every request: the answer may depend on the host, and where the platform
        // has automatic detection, this performs it.
        proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
        break;
    }
    for (const QNetworkProxy &proxy : proxies) {
        switch (proxy.type()) {
        case QNetworkProxy::NoProxy:
        case QNetworkProxy::DefaultProxy:
            return route;
        case QNetworkProxy::HttpProxy:
        case QNetworkProxy::HttpCachingProxy:
            route.viaProxy = true;
            if (tls) {
                route.target.proxy = QNetworkProxy(QNetworkProxy::HttpProxy, proxy.hostName(), proxy.port(),
                                                   proxy.user(), proxy.password());
            } else {
                route.absoluteForm = true;
                route.proxy = proxy;
                route.target.host = proxy.hostName();
                route.target.port = proxy.port();
            }
            return route;
        case QNetworkProxy::Socks5Proxy:
            route.viaProxy = true;
            route.target.proxy = proxy;
            return route;
        default:
            break; // not one for HTTP; the next, if any
        }
    }
    return route;
}

QByteArray HttpTransport::requestBytes(const Route &route, const OutgoingRequest &request) const
{
    const QString where = request.url.toDisplayString();
    QByteArray target;
    if (route.absoluteForm) {
        target = request.url.toEncoded(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    } else {
        target = request.url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
        if (!target.startsWith('/'))
            target.prepend('/');
    }
    QByteArray bytes;
    bytes.reserve(512 + request.body.size());
    bytes += request.post ? "POST " : "GET ";
    bytes += target + " HTTP/1.1\r\nHost: "
        + request.url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1() + "\r\n";
    for (const auto &field : request.headers) {
        if (field.first.isEmpty() || !isFieldText(field.first) || !isFieldText(field.second)
            || field.first.contains(':'))
            throw transportError(where, QStringLiteral("fältet %1 i anropet innehåller otillåtna tecken")
                                            .arg(QString::fromLatin1(field.first.left(64))));
        bytes += field.first + ": " + field.second + "\r\n";
    }
    if (request.post)
        bytes += "Content-Length: " + QByteArray::number(request.body.size()) + "\r\n";
    if (route.absoluteForm && !route.proxy.user().isEmpty())
        bytes += "Proxy-Authorization: Basic "
            + (route.proxy.user() + QLatin1Char(':') + route.proxy.password()).toUtf8().toBase64() + "\r\n";
    bytes += "Accept-Encoding: gzip, deflate\r\nUser-Agent: Mozilla/5.0\r\n\r\n";
    if (request.post)
        bytes += request.body;
    return bytes;
}

HttpTransport::Answer HttpTransport::send(const Route &route, const OutgoingRequest &request, const Deadline &deadline)
{
    const QString where = request.url.toDisplayString();
    const QByteArray bytes = requestBytes(route, request);
    std::unique_ptr<SocketConnection> kept;
    if (m_idle && m_idle->target() == route.target && m_idle->isIdle())
        kept = std::move(m_idle);
    m_idle.reset();
    if (kept) {
        // The server may have closed a kept connection meanwhile: then once more on a new one.
        try {
            kept->write(bytes, deadline, where);
            Answer answer = readHead(std::move(kept), deadline, where);
            if (answer.connection)
                return answer;
        } catch (const RaisedError &error) {
            if (error.number() == ErrorNumber::Timeout)
                throw;
        }
    }
    auto connection = std::make_unique<SocketConnection>(route.target);
    connection->open(deadline, where);
    connection->write(bytes, deadline, where);
    Answer answer = readHead(std::move(connection), deadline, where);
    if (!answer.connection)
        throw closedEarly(where);
    return answer;
}

HttpTransport::Answer HttpTransport::readHead(std::unique_ptr<SocketConnection> connection,
                                              const Deadline &deadline, const QString &where)
{
    Answer answer;
    answer.connection = std::move(connection);
    if (m_buffer.size() < Piece)
        m_buffer.resize(Piece);
    qsizetype begin = 0;
    qsizetype end = 0;
    bool received = false;
    for (int interim = 0;;) {
        if (begin == end) {
            begin = 0;
            end = answer.connection->read(m_buffer.data(), Piece, deadline, where);
            if (end == 0) {
                if (received)
                    throw closedEarly(where);
                answer.connection.reset();
                return answer;
            }
            received = true;
        }
        const qsizetype used = answer.head.feed(m_buffer.constData() + begin, end - begin);
        if (used < 0)
            throw transportError(where, QStringLiteral("ogiltigt svarshuvud: %1").arg(answer.head.error()));
        begin += used;
        if (!answer.head.complete())
            continue;
        const int status = answer.head.status();
        if (status >= 200 || status == 101)
            break;
        if (++interim > MaxInterimAnswers)
            throw transportError(where, QStringLiteral("för många preliminära svar"));
        answer.head = HttpHeadParser();
    }
    answer.begin = begin;
    answer.end = end;
    return answer;
}

void HttpTransport::readBody(Answer &answer, BodySink &sink, const Deadline &deadline, const QString &where)
{
    const HttpHeadParser &head = answer.head;
    const qint64 cap = m_limits.maxAnswerSize;
    if (head.hasNoBody()) {
        if (!head.closes() && answer.begin == answer.end && answer.connection->isIdle())
            m_idle = std::move(answer.connection);
        return;
    }

    const bool chunked = head.chunked();
    const std::optional<qint64> length = chunked ? std::nullopt : head.contentLength();
    // Kept only when the body's end is known and nothing follows it.
    bool reusable = !head.closes() && (chunked || length);
    std::unique_ptr<Inflater> inflater;
    if (head.encoding() != HttpHeadParser::Encoding::Identity)
        inflater = std::make_unique<Inflater>(head.encoding() == HttpHeadParser::Encoding::Gzip
                                                  ? Inflater::Format::Gzip
                                                  : Inflater::Format::Deflate);
    // Plain bodies are read straight into the sink's memory where it has some.
    const bool direct = !chunked && !inflater;
    ChunkedDecoder chunks;
    qint64 remaining = length.value_or(0);
    qint64 raw = 0;
    qint64 delivered = 0;
    const auto deliver = [&](const char *data, qsizetype size) {
        if (size == 0)
            return;
        delivered += size;
        if (delivered > cap)
            throw tooLarge(where, cap);
        if (char *room = sink.room(size)) {
            std::memcpy(room, data, std::size_t(size));
            sink.commit(size);
        } else {
            sink.append(data, size);
        }
    };

    qsizetype begin = answer.begin;
    const qsizetype end = answer.end;
    for (;;) {
        if (chunked ? chunks.finished() : (length && remaining == 0))
            break;
        deadline.check(where);
        char *data = nullptr;
        qsizetype size = 0;
        bool inPlace = false;
        if (begin < end) {
            data = m_buffer.data() + begin;
            size = end - begin;
            begin = end;
        } else {
            const qsizetype want = length ? qsizetype(std::min<qint64>(Piece, remaining)) : Piece;
            char *room = direct ? sink.room(want) : nullptr;
            inPlace = room != nullptr;
            data = inPlace ? room : m_buffer.data();
            size = answer.connection->read(data, want, deadline, where);
            if (size == 0) {
                if (length || chunked)
                    throw closedEarly(where);
                reusable = false;
                break; // the body ends with the connection
            }
        }
        raw += size;
        if (raw > cap)
            throw tooLarge(where, cap);
        if (length) {
            if (size > remaining) {
                size = qsizetype(remaining); // bytes past the body: the connection is not to be trusted
                reusable = false;
            }
            remaining -= size;
        }
        if (chunked) {
            size = chunks.decode(data, size);
            if (size < 0)
                throw transportError(where, QStringLiteral("felaktig chunkkodning: %1").arg(chunks.error()));
            if (chunks.surplus() > 0)
                reusable = false;
        }
        if (inPlace) {
            delivered += size;
            if (delivered > cap)
                throw tooLarge(where, cap);
            sink.commit(size);
        } else if (inflater) {
            if (!inflater->inflate(data, size, deliver))
                throw transportError(where, QStringLiteral("det komprimerade svaret är felaktigt"));
        } else {
            deliver(data, size);
        }
    }
    if (inflater && !inflater->finished())
        throw transportError(where, QStringLiteral("det komprimerade svaret tar slut för tidigt"));
    if (reusable && answer.connection->isIdle())
        m_idle = std::move(answer.connection);
}

} // namespace soap
