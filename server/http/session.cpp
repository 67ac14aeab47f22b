#include "session.h"

#include "hostauthority.h"
#include "refusals.h"
#include "requestrules.h"
#include "routes.h"
#include "serverresources.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/bind_handler.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/write.hpp>

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

// Reads start small and grow with what comes, so that thousands of waiting or trickling clients
// hold little; a body is read a chunk at a time.
constexpr std::size_t FirstRead = 1024;
constexpr std::size_t ReadChunk = 8 * 1024;
constexpr std::size_t MaxBuffered = 64 * 1024;
// What a parsed head field costs beyond its bytes.
constexpr std::size_t PerField = 64;
// While the server drains: how long an idle connection is kept for a request already on its way.
constexpr auto DrainIdle = std::chrono::seconds(1);
constexpr char ContinueAnswer[] = "HTTP/1.1 100 Continue\r\n\r\n";

std::string authorityOf(const tcp::endpoint &endpoint)
{
    const auto address = endpoint.address();
    const std::string host = address.is_v6() ? '[' + address.to_string() + ']' : address.to_string();
    return host + ':' + std::to_string(endpoint.port());
}

template <typename Socket>
std::string clientOf(const Socket &socket)
{
    beast::error_code ec;
    const auto remote = socket.remote_endpoint(ec);
    return ec ? std::string("-") : remote.address().to_string();
}

} // namespace

Session::Session(Socket socket, ConnectionSlots::Ticket ticket, const Shared &shared)
    : m_stream(std::move(socket), shared.tls),
      m_ticket(std::move(ticket)),
      m_shared(shared),
      m_limits(shared.server.limits),
      m_lease(shared.server.budget, ServerResources::RequestAllowance),
      m_recorder(shared.server, clientOf(m_stream.lowest().socket())),
      m_buffer(MaxBuffered),
      m_requestStart(Clock::now())
{
    beast::error_code ec;
    const auto local = m_stream.lowest().socket().local_endpoint(ec);
    m_localAuthority = ec ? std::string("localhost") : authorityOf(local);
}

void Session::start()
{
    m_ticket.watch([weak = weak_from_this(), executor = m_stream.lowest().get_executor()](ConnectionSlots::Notice notice) {
        net::post(executor, [weak, notice] {
            if (const auto self = weak.lock())
                self->onNotice(notice);
        });
    });
    if (m_stream.isTls()) {
        // The handshake is part of the first request's head, within its deadline.
        m_stream.lowest().expires_at(m_requestStart + m_limits.headDeadline);
        m_stream.tls().async_handshake(boost::asio::ssl::stream_base::server,
                                       beast::bind_front_handler(&Session::onHandshake, shared_from_this()));
        return;
    }
    net::dispatch(m_stream.lowest().get_executor(), beast::bind_front_handler(&Session::process, shared_from_this()));
}

void Session::onHandshake(beast::error_code ec)
{
    if (ec) {
        m_recorder.handshakeFailed();
        return;    // not TLS, or a client that does not trust us: nothing to answer
    }
    process();
}

void Session::awaitRequest()
{
    if (m_closeAfterAnswer) {
        // Evicted while its last answer was on its way.
        beast::error_code ec;
        m_stream.lowest().socket().close(ec);
        return;
    }
    auto deadline = m_requestStart + m_limits.headDeadline;
    if (!m_fresh) {
        // Thousands of viewers may sit idle between their calls: they hold little meanwhile.
        if (m_buffer.capacity() > FirstRead)
            m_buffer.shrink_to_fit();
        const auto idle = m_shared.server.connectionSlots.idleTimeout(m_limits.idleTimeout, m_limits.pressedIdleTimeout);
        deadline = Clock::now() + idle;
    }
    if (m_shared.server.draining)
        deadline = std::min(deadline, Clock::now() + std::min<Clock::duration>(DrainIdle, m_limits.drainLimit));
    if (!m_idle) {
        m_idle = true;
        m_ticket.setIdle(true);
    }
    readMore(deadline);
}

void Session::readMore(Clock::time_point deadline)
{
    const auto buffer = m_buffer.prepare(readRoom());
    if (!m_lease.resize(m_lease.held() - m_bufferHeld + m_buffer.capacity()))
        throw Refusals::error(Refusal::OutOfMemory);
    m_bufferHeld = m_buffer.capacity();
    m_stream.lowest().expires_at(deadline);
    m_stream.visit([&](auto &stream) {
        stream.async_read_some(buffer, beast::bind_front_handler(&Session::onRead, shared_from_this()));
    });
}

std::size_t Session::readRoom() const
{
    const std::size_t room = m_buffer.max_size() - m_buffer.size();
    if (m_parser && m_parser->is_header_done()) {
        const auto remaining = m_parser->content_length_remaining();
        return std::min<std::uint64_t>({ReadChunk, room, std::max<std::uint64_t>(1, remaining.value_or(ReadChunk))});
    }
    return std::min({std::max(FirstRead, m_buffer.size()), ReadChunk, room});
}

void Session::onRead(beast::error_code ec, std::size_t bytes)
{
    const bool rearm = std::exchange(m_rearm, false);
    if (ec == net::error::operation_aborted && rearm) {
        process();    // nothing was read: wait again, within the drain's time
        return;
    }
    if (ec) {
        // A request begun and not finished in time; the stream has closed the connection.
        if (ec == beast::error::timeout && m_started) {
            const auto [method, path] = requestLine();
            m_recorder.timedOut(method, path);
        }
        return;
    }
    m_buffer.commit(bytes);
    markStart();
    process();
}

void Session::onNotice(ConnectionSlots::Notice notice)
{
    if (!m_idle) {
        // Busy: the answer under way says Connection: close (draining is seen where it is made).
        m_closeAfterAnswer = m_closeAfterAnswer || notice == ConnectionSlots::Notice::Evicted;
        return;
    }
    beast::error_code ec;
    if (notice == ConnectionSlots::Notice::Evicted) {
        m_stream.lowest().socket().close(ec);
        return;
    }
    m_rearm = true;
    m_stream.lowest().socket().cancel(ec);
}

void Session::markStart()
{
    if (m_started || m_buffer.size() == 0)
        return;
    m_started = true;
    if (m_idle) {
        m_idle = false;
        m_ticket.setIdle(false);
    }
    if (!m_fresh)
        m_requestStart = Clock::now();
}

void Session::process()
{
    try {
        for (;;) {
            if (!m_parser && !beginRequest())
                return;
            if (!m_parser->is_header_done()) {
                if (!feedHead())
                    return;
            } else if (!m_parser->is_done()) {
                if (!feedBody())
                    return;
            } else {
                respond();
                return;
            }
        }
    } catch (const HttpError &error) {
        refuse(error);
    }
}

bool Session::beginRequest()
{
    // Empty lines before a request line are allowed (RFC 9112, 2.2), a few of them.
    const char *data = static_cast<const char *>(m_buffer.data().data());
    std::size_t skipped = 0;
    while (skipped + 1 < m_buffer.size() && data[skipped] == '\r' && data[skipped + 1] == '\n') {
        skipped += 2;
        if (++m_blankLines > m_limits.maxBlankLines)
            throw Refusals::error(Refusal::BlankLines);
    }
    m_buffer.consume(skipped);
    if (m_buffer.size() == 0) {
        if (m_started)
            readMore(m_requestStart + m_limits.headDeadline);
        else
            awaitRequest();
        return false;
    }
    if (m_buffer.size() == 1 && data[skipped] == '\r') {
        readMore(m_requestStart + m_limits.headDeadline);
        return false;
    }
    m_parser.emplace();
    m_parser->header_limit(std::uint32_t(m_limits.maxHeaderBytes));
    m_parser->body_limit(m_limits.maxBodyBytes);
    m_parser->get().body().lease = &m_lease;
    m_headBytes = 0;
    return true;
}

bool Session::feedHead()
{
    // The head stays in the buffer until it is complete, to be measured and checked whole.
    const char *data = static_cast<const char *>(m_buffer.data().data());
    beast::error_code ec;
    m_headBytes += m_parser->put(net::buffer(data + m_headBytes, m_buffer.size() - m_headBytes), ec);
    if (ec == http::error::need_more) {
        if (m_buffer.size() >= m_limits.maxHeaderBytes)
            throw RequestRules::headTooLarge(m_limits);
        readMore(m_requestStart + m_limits.headDeadline);
        return false;
    }
    if (ec)
        throw RequestRules::parseError(ec, m_limits);
    if (!m_parser->is_header_done())
        return true;
    takeHead();
    m_buffer.consume(m_headBytes);
    m_headBytes = 0;
    const auto &request = m_parser->get();
    if (!m_parser->is_done() && m_buffer.size() == 0 && request.version() == 11
        && beast::iequals(request[http::field::expect], "100-continue")) {
        sendContinue();
        return false;
    }
    return true;
}

void Session::takeHead()
{
    const auto &request = m_parser->get();
    const auto lines = std::size_t(std::distance(request.begin(), request.end()));
    RequestRules::check(request, std::string_view(static_cast<const char *>(m_buffer.data().data()), m_headBytes),
                        lines, m_limits);
    m_target = RequestTarget::parse(request.target());
    // The parsed head is held until the answer, its fields beside its bytes.
    if (!m_lease.resize(m_lease.held() + m_headBytes + PerField * lines))
        throw Refusals::error(Refusal::OutOfMemory);
}

bool Session::feedBody()
{
    if (m_buffer.size() == 0) {
        readMore(m_requestStart + m_limits.requestDeadline);
        return false;
    }
    beast::error_code ec;
    m_buffer.consume(m_parser->put(m_buffer.data(), ec));
    if (ec == http::error::need_more) {
        readMore(m_requestStart + m_limits.requestDeadline);
        return false;
    }
    if (ec)
        throw RequestRules::parseError(ec, m_limits);
    return true;
}

void Session::sendContinue()
{
    // .NET clients, for one, wait for it before they send a body.
    m_stream.lowest().expires_at(m_requestStart + m_limits.requestDeadline);
    m_stream.visit([&](auto &stream) {
        net::async_write(stream, net::buffer(ContinueAnswer, sizeof ContinueAnswer - 1),
                         [self = shared_from_this()](beast::error_code ec, std::size_t) {
                             if (!ec)
                                 self->process();
                         });
    });
}

void Session::respond()
{
    const auto began = Clock::now();
    auto &message = m_parser->get();
    HttpRequest request;
    request.method = std::string(message.method_string());
    request.path = m_target.path;
    // An absolute-form target's authority stands for the Host header (RFC 9112, 3.2.2).
    const auto host = HostAuthority::validated(m_target.authority ? *m_target.authority : message[http::field::host]);
    request.authority = host ? *host : m_localAuthority;
    request.body = std::move(message.body().bytes);
    request.client = m_recorder.client();
    request.authorization = std::string(message[http::field::authorization]);
    const bool keepAlive = message.keep_alive();
    const unsigned version = message.version();

    HttpAnswer answer;
    try {
        answer = m_shared.routes.answer(request);
    } catch (const std::exception &e) {
        answer = Refusals::answer(Refusal::InternalError, {e.what()});
    }
    m_recorder.answered(request.method, request.path, answer, Clock::now() - began);
    endRequest();
    send(answer, version, keepAlive, request.method == "HEAD");
}

void Session::endRequest()
{
    m_parser.reset();
    m_lease.resize(m_bufferHeld);
}

void Session::send(const HttpAnswer &answer, unsigned version, bool keepAlive, bool headersOnly)
{
    // The last answer of a draining or evicted connection says so.
    keepAlive = keepAlive && !m_closeAfterAnswer && !m_shared.server.draining;
    m_started = false;
    m_blankLines = 0;
    m_answer.set(answer, version, keepAlive, headersOnly);
    m_stream.lowest().expires_after(m_limits.writeDeadline);
    m_stream.visit([&](auto &stream) {
        http::async_write(stream, m_answer.message(),
                          beast::bind_front_handler(&Session::onWritten, shared_from_this(), keepAlive));
    });
}

void Session::onWritten(bool keepAlive, beast::error_code ec, std::size_t)
{
    if (ec)
        return;    // the client went, or did not read its answer in time
    m_fresh = false;
    if (!keepAlive) {
        linger();
        return;
    }
    markStart();
    process();
}

void Session::refuse(const HttpError &error)
{
    const auto [method, path] = requestLine();
    m_recorder.refused(method, path, error);
    endRequest();
    HttpAnswer answer;
    answer.status = error.status();
    answer.body = QByteArray(error.what());
    send(answer, 11, false, false);
}

void Session::linger()
{
    beast::error_code ec;
    // Under TLS too the TCP side alone: the answer is whole by its Content-Length.
    m_stream.lowest().socket().shutdown(tcp::socket::shutdown_send, ec);
    if (ec)
        return;
    // What comes now is thrown away: a small buffer will do.
    m_buffer.consume(m_buffer.size());
    m_buffer.shrink_to_fit();
    m_lease.resize(0);
    m_bufferHeld = 0;
    m_lingerLeft = m_limits.lingerBytes;
    m_stream.lowest().expires_after(m_limits.lingerTime);
    discard();
}

void Session::discard()
{
    m_stream.lowest().async_read_some(m_buffer.prepare(FirstRead), [self = shared_from_this()](beast::error_code ec,
                                                                                              std::size_t bytes) {
        if (ec || bytes >= self->m_lingerLeft)
            return;
        self->m_lingerLeft -= bytes;
        self->discard();
    });
}

std::pair<std::string_view, std::string_view> Session::requestLine() const
{
    if (!m_parser)
        return {};
    const beast::string_view target = m_parser->get().target();
    return {m_parser->get().method_string(), target.substr(0, target.find('?'))};
}
