#pragma once

#include "deadline.h"
#include "httpresponsehead.h"
#include "outgoingrequest.h"
#include "proxysetting.h"
#include "transportlimits.h"

#include <QByteArray>

#include <memory>

namespace soap {

class BodySink;
class HttpHeadParser;
class SocketConnection;

// HTTP/1.1 for a caller that must not run its own event loop: the exchange runs on the caller's
// thread with waits that dispatch no event (no timer tick, click or repaint), each bounded by the
// deadline. The body reaches the sink while the rest is still arriving, read straight into the
// sink's own memory where it offers some. One connection is kept for the next exchange.
class HttpTransport
{
public:
    explicit HttpTransport(TransportLimits limits = {});
    ~HttpTransport();

    HttpTransport(const HttpTransport &) = delete;
    HttpTransport &operator=(const HttpTransport &) = delete;

    const TransportLimits &limits() const { return m_limits; }
    void setProxy(const ProxySetting &proxy) { m_proxy = proxy; }

    // Sends the request and blocks until the whole answer went to the sink. Any HTTP status
    // counts as an answer; transport failures, the deadline and the size cap raise RaisedError.
    HttpResponseHead exchange(const OutgoingRequest &request, BodySink &sink, const Deadline &deadline);
    // With a deadline of the limits' time-out from now.
    HttpResponseHead exchange(const OutgoingRequest &request, BodySink &sink);

private:
    struct Route;
    struct Answer;

    Route routeFor(const QUrl &url) const;
    Answer send(const Route &route, const OutgoingRequest &request, const Deadline &deadline);
    Answer readHead(std::unique_ptr<SocketConnection> connection, const Deadline &deadline,
                    const QString &where);
    void readBody(Answer &answer, BodySink &sink, const Deadline &deadline, const QString &where);
    QByteArray requestBytes(const Route &route, const OutgoingRequest &request) const;

    const TransportLimits m_limits;
    ProxySetting m_proxy;
    std::unique_ptr<SocketConnection> m_idle; // kept alive after the last exchange
    QByteArray m_buffer;                      // socket reads that the sink cannot take in place
};

} // namespace soap
