#include "httpserver.h"

#include "listener.h"
#include "metricsregistry.h"
#include "serverresources.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include <malloc.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace net = boost::asio;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto HousekeepingPeriod = std::chrono::seconds(1);
constexpr auto DrainCheck = std::chrono::milliseconds(20);
// Memory worth handing back to the system once a burst has passed: request bytes, or the
// sessions of this many connections.
constexpr std::size_t TrimBytes = 8 * 1024 * 1024;
constexpr int TrimConnections = 1000;

} // namespace

// One I/O context per thread, each run by its thread alone: a connection stays on one thread and
// needs no locks. Declared in the order of need: whatever a session refers to outlives the
// contexts, whose end ends the sessions.
struct HttpServer::Impl
{
    Impl(Routes routes, const HttpLimits &limits, bool logRequests, int threads, int logDescriptor)
        : routes(std::move(routes)), resources(limits, logRequests, logDescriptor)
    {
        for (int i = 0; i < std::max(1, threads); ++i) {
            contexts.push_back(std::make_unique<net::io_context>(1));
            work.push_back(net::make_work_guard(*contexts.back()));
        }
        housekeeping.emplace(*contexts.front());
        drainTimer.emplace(*contexts.front());
    }

    ~Impl()
    {
        // The listener's context first: an accept under way holds a socket of another context.
        signalSet.reset();
        listener.reset();
        housekeeping.reset();
        drainTimer.reset();
        work.clear();
        for (auto &context : contexts)
            context.reset();
    }

    // A handler that throws takes its session with it, not the thread or the server.
    void serve(net::io_context &context)
    {
        for (;;) {
            try {
                context.run();
                return;
            } catch (const std::exception &e) {
                resources.logWriter.write(std::string("ksv-results-service: ") + e.what() + '\n');
            }
        }
    }

    void stopAll()
    {
        for (auto &context : contexts)
            context->stop();
    }

    // Once a second: idle connections past their shorter time when the server is nearly full;
    // and, after a burst, what the allocator keeps of what was freed is handed back.
    void keepHouse()
    {
        housekeeping->expires_after(HousekeepingPeriod);
        housekeeping->async_wait([this](boost::system::error_code ec) {
            if (ec)
                return;
            resources.connectionSlots.evictIdleOver(resources.limits.pressedIdleTimeout);
            const std::size_t peakBytes = resources.budget.takePeak();
            const int open = resources.connectionSlots.open();
            peakOpen = std::max(peakOpen, open);
            if (peakBytes >= resources.budget.used() + TrimBytes || peakOpen >= open + TrimConnections) {
                ::malloc_trim(0);
                peakOpen = open;
            }
            keepHouse();
        });
    }

    // On the first context's thread.
    void beginDrain()
    {
        if (resources.draining.exchange(true))
            return;
        if (listener)
            listener->stop();
        resources.connectionSlots.noticeAll(ConnectionSlots::Notice::Draining);
        drainEnd = Clock::now() + resources.limits.drainLimit;
        awaitDrained();
    }

    void awaitDrained()
    {
        const int open = resources.connectionSlots.open();
        if (open == 0 || Clock::now() >= drainEnd) {
            if (open > 0)
                resources.logWriter.write("ksv-results-service: " + std::to_string(open)
                                          + " anslutningar stängdes vid gränsen för avslutet\n");
            stopAll();
            return;
        }
        drainTimer->expires_after(DrainCheck);
        drainTimer->async_wait([this](boost::system::error_code ec) {
            if (!ec)
                awaitDrained();
        });
    }

    Routes routes;
    ServerResources resources;
    std::vector<std::unique_ptr<net::io_context>> contexts;
    std::vector<net::executor_work_guard<net::io_context::executor_type>> work;
    std::optional<net::steady_timer> housekeeping;
    std::optional<net::steady_timer> drainTimer;
    std::unique_ptr<net::signal_set> signalSet;
    std::shared_ptr<boost::asio::ssl::context> tls;    // shared by the listener's sessions
    std::shared_ptr<Listener> listener;
    std::vector<std::thread> threads;
    int peakOpen = 0;
    Clock::time_point drainEnd;
};

HttpServer::HttpServer(Routes routes, const HttpLimits &limits, bool logRequests, int threads, int logDescriptor)
    : m_impl(std::make_unique<Impl>(std::move(routes), limits, logRequests, threads, logDescriptor))
{
    m_impl->keepHouse();
}

HttpServer::~HttpServer()
{
    stop();
}

unsigned short HttpServer::listen(const std::string &address, unsigned short port,
                                  std::shared_ptr<boost::asio::ssl::context> tls)
{
    try {
        const net::ip::tcp::endpoint endpoint(net::ip::make_address(address), port);
        m_impl->tls = std::move(tls);
        const Session::Shared shared{m_impl->routes, m_impl->resources, m_impl->tls.get()};
        std::vector<net::io_context *> contexts;
        for (auto &context : m_impl->contexts)
            contexts.push_back(context.get());
        m_impl->listener = std::make_shared<Listener>(std::move(contexts), endpoint, shared);
        m_impl->listener->start();
        return m_impl->listener->port();
    } catch (const boost::system::system_error &e) {
        throw std::runtime_error(e.code().message());
    }
}

void HttpServer::countIn(MetricsRegistry &metrics, const std::string &name)
{
    ServerResources &resources = m_impl->resources;
    resources.metrics = &metrics;
    resources.name = name;
    metrics.counter("ksv_http_requests_total", "Requests answered, by server, route and status.");
    metrics.histogram("ksv_http_request_seconds", "Time to make an answer, by server and route.",
                      {0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1});
    metrics.counter("ksv_http_refusals_total", "Requests and connections refused before a route, by server and reason.");
    metrics.gauge("ksv_http_open_connections", "Connections open now, by server.");
    metrics.counter("ksv_log_lines_dropped_total", "Log lines dropped because the log's reader fell behind, by server.");
    metrics.onCollect([&metrics, &resources] {
        metrics.set("ksv_http_open_connections", {{"server", resources.name}}, resources.connectionSlots.open());
        metrics.set("ksv_log_lines_dropped_total", {{"server", resources.name}}, double(resources.logWriter.dropped()));
    });
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
        // Accepting stops first: whoever reads the announcement may rely on it.
        impl->beginDrain();
        announce(signal);
    });
}

void HttpServer::logLine(std::string_view line)
{
    m_impl->resources.logWriter.write(std::string(line) + '\n');
}

void HttpServer::run()
{
    for (std::size_t i = 1; i < m_impl->contexts.size(); ++i)
        m_impl->threads.emplace_back([impl = m_impl.get(), context = m_impl->contexts[i].get()] { impl->serve(*context); });
    m_impl->serve(*m_impl->contexts.front());
    stop();
}

void HttpServer::start()
{
    for (auto &context : m_impl->contexts)
        m_impl->threads.emplace_back([impl = m_impl.get(), context = context.get()] { impl->serve(*context); });
}

void HttpServer::drain()
{
    net::post(*m_impl->contexts.front(), [impl = m_impl.get()] { impl->beginDrain(); });
}

void HttpServer::stop()
{
    m_impl->stopAll();
    for (std::thread &thread : m_impl->threads)
        thread.join();
    m_impl->threads.clear();
}
