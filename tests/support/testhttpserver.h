#pragma once

#include "cannedreply.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <memory>

class QThread;

namespace testsupport {

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
        for (const auto &header : headers) {
            if (header.first.compare(name, Qt::CaseInsensitive) == 0)
                return header.second;
        }
        return {};
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

    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    quint16 port() const { return m_port; }
    // http://127.0.0.1:<port><path>
    QUrl url(const QByteArray &path) const;

    // Replaces the reply for that path (without the query, unless one was given).
    void setReply(const QByteArray &path, const CannedReply &reply);

    QList<RecordedRequest> requests() const;
    void clearRequests();

    class Book;

private:
    std::unique_ptr<Book> m_book;
    std::unique_ptr<QThread> m_thread;
    quint16 m_port = 0;
};

} // namespace testsupport
