#pragma once

#include "httprequest.h"
#include "httpresponsehead.h"
#include "proxysetting.h"
#include "transportlimits.h"

#include <memory>

class QThread;

namespace soap {

class BodySink;
class NetworkWorker;

// HTTP for a caller that must not run its own event loop: the network is handled in a thread of
// the transport's own while the caller waits on a condition variable, so no timer tick, click or
// repaint of the caller's thread is dispatched during an exchange. The body reaches the sink on
// the caller's thread, piece by piece, while the rest is still arriving.
class HttpTransport
{
public:
    explicit HttpTransport(TransportLimits limits = {});
    ~HttpTransport();

    HttpTransport(const HttpTransport &) = delete;
    HttpTransport &operator=(const HttpTransport &) = delete;

    const TransportLimits &limits() const { return m_limits; }
    void setProxy(const ProxySetting &proxy);

    // Sends the request and blocks until the whole answer went to the sink. Any HTTP status
    // counts as an answer; transport failures, the time-out and the size cap raise RaisedError.
    HttpResponseHead exchange(const HttpRequest &request, BodySink &sink);

private:
    const TransportLimits m_limits;
    std::unique_ptr<QThread> m_thread;
    NetworkWorker *m_worker = nullptr; // lives in m_thread, deleted when it finishes
};

} // namespace soap
