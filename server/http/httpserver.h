#pragma once

#include "httplimits.h"
#include "routes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The HTTP server: a listener and its sessions on `threads` threads, answering through the
// routes. Knows nothing of what the routes serve.
class HttpServer
{
public:
    HttpServer(Routes routes, const HttpLimits &limits, bool logRequests, int threads = 1);
    ~HttpServer();

    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Listens on the address (an IP literal) and port, 0 for any free one; returns the port.
    // Throws std::runtime_error with the system's reason.
    unsigned short listen(const std::string &address, unsigned short port);
    // These signals stop the server; `announce` hears which, first.
    void stopOnSignals(const std::vector<int> &stopping, std::function<void(int)> announce);

    // Serves on the caller's thread and the others until a signal stops it.
    void run();
    // Serves on threads of its own; returns at once.
    void start();
    // Stops serving; from any thread but the server's own. Open connections are dropped when the
    // server goes.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
