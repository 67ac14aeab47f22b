#pragma once

#include "connectionslots.h"
#include "httpanswer.h"
#include "httperror.h"
#include "httplimits.h"
#include "memorybudget.h"
#include "outgoinganswer.h"
#include "requestbody.h"
#include "requestrecorder.h"
#include "requesttarget.h"
#include "sessionstream.h"

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

class Routes;
struct ServerResources;

// One client connection: reads requests one at a time, has each answered by the routes and
// writes the answer before it reads on, so a client that does not read its answers is not read
// either. Requests are held to the limits: the head to its size, line count and deadline, the
// body to its size (refused from the Content-Length alone) and the whole request to its deadline.
// A refusal is answered and the connection closed after it. Deadlines are absolute: a byte that
// trickles in does not extend them. What it buffers of a request is charged to the server's memory
// budget as it arrives. Between requests it may be evicted; when the server drains, it answers
// what it has begun with Connection: close and waits a moment for a request already on its way.
class Session : public std::enable_shared_from_this<Session>
{
public:
    // What every session of a listener shares; it outlives them all.
    struct Shared
    {
        const Routes &routes;
        ServerResources &server;
        boost::asio::ssl::context *tls = nullptr;    // TLS on every connection, if set
    };

    using Socket = SessionStream::Socket;

    Session(Socket socket, ConnectionSlots::Ticket ticket, const Shared &shared);

    void start();

private:
    using Clock = std::chrono::steady_clock;
    using Parser = boost::beast::http::request_parser<RequestBody>;

    void onHandshake(boost::beast::error_code ec);

    // Reads nothing more until a new request begins, within the idle time (or, for a new
    // connection, the head deadline).
    void awaitRequest();
    void readMore(Clock::time_point deadline);
    std::size_t readRoom() const;
    void onRead(boost::beast::error_code ec, std::size_t bytes);
    void onNotice(ConnectionSlots::Notice notice);
    // The current request's deadlines run from now, if bytes of it have come.
    void markStart();
    // Takes the request in hand as far as the bytes already read allow. Each step below returns
    // false when it has started a read or a write, whose completion goes on from there.
    void process();
    bool beginRequest();
    bool feedHead();
    void takeHead();
    bool feedBody();
    void sendContinue();
    void respond();
    void endRequest();
    void send(const HttpAnswer &answer, unsigned version, bool keepAlive, bool headersOnly);
    void onWritten(bool keepAlive, boost::beast::error_code ec, std::size_t bytes);
    void refuse(const HttpError &error);
    // Half-closes, then reads and discards for a while, so that the client reads our last answer
    // rather than a reset.
    void linger();
    void discard();
    // The current request's method and path, as far as the parser got with them.
    std::pair<std::string_view, std::string_view> requestLine() const;

    SessionStream m_stream;
    ConnectionSlots::Ticket m_ticket;
    Shared m_shared;
    const HttpLimits &m_limits;
    // The read buffer and the current request's head and body; a small request within the
    // allowance every connection has, so that ordinary calls get through a spent budget.
    MemoryBudget::Lease m_lease;
    std::size_t m_bufferHeld = 0;    // of what the lease holds
    RequestRecorder m_recorder;
    std::string m_localAuthority;    // the listening address, when the Host header will not do
    boost::beast::flat_buffer m_buffer;
    std::optional<Parser> m_parser;
    RequestTarget m_target;          // of the current request, once its head is in
    std::size_t m_headBytes = 0;     // of the current head, given to the parser and still in m_buffer
    std::size_t m_blankLines = 0;
    Clock::time_point m_requestStart;
    bool m_started = false;          // a byte of the current request has arrived
    bool m_fresh = true;             // no request yet on this connection
    bool m_idle = false;             // waiting for a request, nothing of it read
    bool m_rearm = false;            // the idle read was cancelled to be made again, shorter
    bool m_closeAfterAnswer = false; // evicted while busy
    OutgoingAnswer m_answer;
    std::size_t m_lingerLeft = 0;
};
