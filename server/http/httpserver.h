#pragma once

#include "httplimits.h"
#include "routes.h"

#include <boost/asio/ssl/context.hpp>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

class MetricsRegistry;

// The HTTP server: a listener and its sessions on `threads` threads, answering through the
// routes; the request log (and any other line) goes to `logDescriptor` from a thread of its own.
// Knows nothing of what the routes serve.
class HttpServer
{
public:
    HttpServer(Routes routes, const HttpLimits &limits, bool logRequests, int threads = 1,
               int logDescriptor = STDERR_FILENO);
    ~HttpServer();

    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Listens on the address (an IP literal) and port, 0 for any free one; returns the port.
    // Throws std::runtime_error with the system's reason. With `tls`, every connection speaks
    // TLS with those settings.
    unsigned short listen(const std::string &address, unsigned short port,
                          std::shared_ptr<boost::asio::ssl::context> tls = nullptr);
    // Counts requests, refusals, open connections and dropped log lines there, under this server's
    // name; before listen(). The metrics outlive the server.
    void countIn(MetricsRegistry &metrics, const std::string &name);
    // These signals drain the server; `announce` hears which, once it accepts no more.
    void stopOnSignals(const std::vector<int> &stopping, std::function<void(int)> announce);
    // A line of the log, written even when requests are not logged. Never waits for the stream.
    void logLine(std::string_view line);

    // Serves on the caller's thread and the others until the server has drained or stopped.
    void run();
    // Serves on threads of its own; returns at once.
    void start();
    // From any thread: accepts no more, answers every request already begun (with Connection:
    // close), waits a moment for requests on their way over idle connections, and stops once
    // every connection has closed, or at the drain limit, closing what is still open.
    void drain();
    // Stops serving at once; from any thread but the server's own. Open connections are dropped
    // when the server goes.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
