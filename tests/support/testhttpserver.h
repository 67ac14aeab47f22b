#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <memory>

class QThread;

namespace testsupport {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// What the test server answers on one path. The body goes out as the listed chunks, one write
// each, with chunkDelay between them, so a client sees it arrive in pieces.
struct CannedReply
{
    int status = 200;
    QByteArray reason;
    HeaderList headers;                             // Content-Length is added unless chunked
    QList<QByteArray> chunks;
    std::chrono::milliseconds delay{0};             // before the status line goes out
    std::chrono::milliseconds chunkDelay{0};
    bool chunked = false;                           // Transfer-Encoding: chunked
    bool stall = false;                             // read the request, never answer
    bool closeMidAnswer = false;                    // promise more than is sent, then close

    static CannedReply withStatus(int status, const QByteArray &body, const QByteArray &type = "text/xml; charset=utf-8")
    {
        const char *reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Internal Server Error";
        return {status, reason, {{"Content-Type", type}}, {body}};
    }
    static CannedReply ok(const QByteArray &body, const QByteArray &type = "text/xml; charset=utf-8")
    {
        return withStatus(200, body, type);
    }
    static CannedReply redirect(int status, const QByteArray &location) { return {status, "Moved", {{"Location", location}}, {}}; }
    static CannedReply stalling() { return {200, {}, {}, {}, {}, {}, false, true}; }
};

// One request as the test server received it.
struct RecordedRequest
{
    QByteArray method;
    QByteArray path;    // with the query, as on the request line
    HeaderList headers;
    QByteArray body;

    // The first header of that name, compared without regard to case; empty when absent.
    QByteArray header(const QByteArray &name) const
    {
        const auto it = std::find_if(headers.begin(), headers.end(),
                                     [&](const auto &h) { return h.first.compare(name, Qt::CaseInsensitive) == 0; });
        return it == headers.end() ? QByteArray() : it->second;
    }
};

// A small HTTP/1.1 server for tests, on 127.0.0.1 and an ephemeral port, in a thread of its own
// so that a client blocking the test's thread is still answered. Each path gets a canned reply;
// any other path gets 404. Every request is recorded.
class TestHttpServer
{
public:
    TestHttpServer();
    ~TestHttpServer();

    quint16 port() const { return m_port; }
    // http://127.0.0.1:<port><path>
    QUrl url(const QByteArray &path) const;

    // Replaces the reply for that path (without the query, unless one was given).
    void setReply(const QByteArray &path, const CannedReply &reply);

    QList<RecordedRequest> requests() const;
    void clearRequests();

    struct Book;

private:
    std::unique_ptr<Book> m_book;
    std::unique_ptr<QThread> m_thread;
    quint16 m_port = 0;
};

} // namespace testsupport
