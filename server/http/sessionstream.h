#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/basic_stream.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <optional>

// A session's connection, under TLS or not: the TCP stream below it (deadlines, the socket), and
// the stream HTTP is spoken on.
class SessionStream
{
public:
    // A session runs on one I/O context, and so on one thread: no locking, no strand.
    using Executor = boost::asio::io_context::executor_type;
    using Socket = boost::asio::basic_stream_socket<boost::asio::ip::tcp, Executor>;
    using Stream = boost::beast::basic_stream<boost::asio::ip::tcp, Executor>;
    using TlsStream = boost::beast::ssl_stream<Stream>;

    // tls: null for plain TCP.
    SessionStream(Socket socket, boost::asio::ssl::context *tls);

    bool isTls() const { return m_tls.has_value(); }
    TlsStream &tls() { return *m_tls; }
    Stream &lowest() { return m_tls ? boost::beast::get_lowest_layer(*m_tls) : *m_plain; }
    // Runs `f` on the stream that carries HTTP.
    template <typename F>
    void visit(F &&f)
    {
        if (m_tls)
            f(*m_tls);
        else
            f(*m_plain);
    }

private:
    std::optional<Stream> m_plain;
    std::optional<TlsStream> m_tls;
};
