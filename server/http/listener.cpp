#include "listener.h"

#include "metricsregistry.h"
#include "refusals.h"
#include "serverresources.h"

#include <boost/beast/core/bind_handler.hpp>

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

constexpr auto ExhaustedPause = std::chrono::milliseconds(100);

bool outOfResources(const boost::system::error_code &ec)
{
    return ec == net::error::no_descriptors || ec == net::error::no_buffer_space || ec == net::error::no_memory
            || ec.value() == ENFILE;
}

} // namespace

Listener::Listener(std::vector<net::io_context *> contexts, const tcp::endpoint &endpoint, const Session::Shared &shared)
    : m_contexts(std::move(contexts)),
      m_acceptor(*m_contexts.front()),
      m_pause(m_acceptor.get_executor()),
      m_shared(shared)
{
    m_acceptor.open(endpoint.protocol());
    m_acceptor.set_option(net::socket_base::reuse_address(true));
    m_acceptor.bind(endpoint);
    m_acceptor.listen(net::socket_base::max_listen_connections);
}

void Listener::start()
{
    accept();
}

void Listener::stop()
{
    boost::beast::error_code ec;
    m_acceptor.close(ec);
    m_pause.cancel();
}

void Listener::accept()
{
    net::io_context &context = *m_contexts[m_next++ % m_contexts.size()];
    m_acceptor.async_accept(context.get_executor(),
                            boost::beast::bind_front_handler(&Listener::onAccept, shared_from_this()));
}

void Listener::onAccept(boost::beast::error_code ec, Session::Socket socket)
{
    if (ec == net::error::operation_aborted || !m_acceptor.is_open())
        return;
    if (outOfResources(ec)) {
        m_pause.expires_after(ExhaustedPause);
        m_pause.async_wait([self = shared_from_this()](boost::beast::error_code waited) {
            if (!waited)
                self->accept();
        });
        return;
    }
    if (!ec) {
        boost::beast::error_code peerError;
        const auto peer = socket.remote_endpoint(peerError);
        if (!peerError) {
            auto admitted = m_shared.server.connectionSlots.admit(ConnectionSlots::clientKey(peer.address()));
            if (auto *ticket = std::get_if<ConnectionSlots::Ticket>(&admitted))
                std::make_shared<Session>(std::move(socket), std::move(*ticket), m_shared)->start();
            else
                turnAway(socket, peer.address().to_string(), std::get<Refusal>(admitted));
        }
    }
    accept();
}

void Listener::turnAway(Session::Socket &socket, const std::string &client, Refusal why) const
{
    // A new socket's send buffer is empty, so this short answer goes out without waiting.
    boost::beast::error_code ec;
    socket.non_blocking(true, ec);
    socket.send(net::buffer(Refusals::closingAnswer(why)), 0, ec);
    socket.shutdown(tcp::socket::shutdown_send, ec);
    socket.close(ec);
    m_shared.server.log.write(client, {}, {}, Refusals::name(why), Refusals::status(why), {});
    if (MetricsRegistry *metrics = m_shared.server.metrics)
        metrics->add("ksv_http_refusals_total", {{"server", m_shared.server.name}, {"reason", std::string(Refusals::name(why))}});
}
