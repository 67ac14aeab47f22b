#pragma once

#include "connectionslots.h"
#include "session.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <memory>
#include <vector>
#include <string>

// Accepts connections and gives each a session, within the server's connection caps, on the I/O
// contexts in turn. One past a cap (when no idle connection can make room) gets 503 with
// Retry-After at once and is closed. When the process runs out of descriptors, accepting pauses
// for a moment instead of failing in a loop; the waiting clients stay in the backlog.
class Listener : public std::enable_shared_from_this<Listener>
{
public:
    // Throws boost::system::system_error if it cannot listen there. What `shared` refers to
    // outlives every session, and so the listener too.
    Listener(std::vector<boost::asio::io_context *> contexts, const boost::asio::ip::tcp::endpoint &endpoint,
             const Session::Shared &shared);

    unsigned short port() const { return m_acceptor.local_endpoint().port(); }
    void start();
    // Accepts no more; on the first context's thread.
    void stop();

private:
    void accept();
    void onAccept(boost::beast::error_code ec, Session::Socket socket);
    void turnAway(Session::Socket &socket, const std::string &client, Refusal why) const;

    std::vector<boost::asio::io_context *> m_contexts;    // the first one is the listener's own
    std::size_t m_next = 0;
    boost::asio::ip::tcp::acceptor m_acceptor;
    boost::asio::steady_timer m_pause;
    Session::Shared m_shared;
};
