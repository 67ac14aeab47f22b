#include "httpserver.h"

#include "connectionslots.h"
#include "listener.h"
#include "requestlog.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

namespace net = boost::asio;

namespace {

// A handler that throws takes its session with it, not the thread or the server.
void serve(net::io_context &context)
{
    for (;;) {
        try {
            context.run();
            return;
        } catch (const std::exception &e) {
            std::fprintf(stderr, "ksv-results-service: %s\n", e.what());
        }
    }
}

} // namespace

// One I/O context per thread, each run by its thread alone: a connection stays on one thread and
// needs no locks. Declared in the order of need: whatever a session refers to outlives the
// contexts, whose end ends the sessions.
struct HttpServer::Impl
{
    Impl(Routes routes, const HttpLimits &limits, bool logRequests, int threads)
        : routes(std::move(routes)),
          limits(limits),
          log(logRequests),
          connectionSlots(limits.maxConnections, limits.maxConnectionsPerClient)
    {
        for (int i = 0; i < std::max(1, threads); ++i) {
            contexts.push_back(std::make_unique<net::io_context>(1));
            work.push_back(net::make_work_guard(*contexts.back()));
        }
    }

    ~Impl()
    {
        // The listener's context first: an accept under way holds a socket of another context.
        signalSet.reset();
        listener.reset();
        work.clear();
        for (auto &context : contexts)
            context.reset();
    }

    void stopAll()
    {
        for (auto &context : contexts)
            context->stop();
    }

    Routes routes;
    HttpLimits limits;
    RequestLog log;
    ConnectionSlots connectionSlots;
    std::vector<std::unique_ptr<net::io_context>> contexts;
    std::vector<net::executor_work_guard<net::io_context::executor_type>> work;
    std::unique_ptr<net::signal_set> signalSet;
    std::shared_ptr<Listener> listener;
    std::vector<std::thread> threads;
};

HttpServer::HttpServer(Routes routes, const HttpLimits &limits, bool logRequests, int threads)
    : m_impl(std::make_unique<Impl>(std::move(routes), limits, logRequests, threads))
{
}

HttpServer::~HttpServer()
{
    stop();
}

unsigned short HttpServer::listen(const std::string &address, unsigned short port)
{
    try {
        const net::ip::tcp::endpoint endpoint(net::ip::make_address(address), port);
        const Session::Shared shared{m_impl->routes, m_impl->limits, m_impl->log};
        std::vector<net::io_context *> contexts;
        for (auto &context : m_impl->contexts)
            contexts.push_back(context.get());
        m_impl->listener = std::make_shared<Listener>(std::move(contexts), endpoint, shared, m_impl->connectionSlots);
        m_impl->listener->start();
        return m_impl->listener->port();
    } catch (const boost::system::system_error &e) {
        throw std::runtime_error(e.code().message());
    }
}

void HttpServer::stopOnSignals(const std::vector<int> &stopping, std::function<void(int)> announce)
{
    m_impl->signalSet = std::make_unique<net::signal_set>(*m_impl->contexts.front());
    for (const int signal : stopping)
        m_impl->signalSet->add(signal);
    m_impl->signalSet->async_wait([impl = m_impl.get(), announce = std::move(announce)](boost::system::error_code ec,
                                                                                         int signal) {
        if (ec)
            return;
        announce(signal);
        impl->stopAll();
    });
}

void HttpServer::run()
{
    for (std::size_t i = 1; i < m_impl->contexts.size(); ++i)
        m_impl->threads.emplace_back([context = m_impl->contexts[i].get()] { serve(*context); });
    serve(*m_impl->contexts.front());
    stop();
}

void HttpServer::start()
{
    for (auto &context : m_impl->contexts)
        m_impl->threads.emplace_back([context = context.get()] { serve(*context); });
}

void HttpServer::stop()
{
    m_impl->stopAll();
    for (std::thread &thread : m_impl->threads)
        thread.join();
    m_impl->threads.clear();
}
