#pragma once

#include "cannedreply.h"
#include "recordedrequest.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <memory>

class QTcpServer;
class QThread;

namespace testsupport {

class ReplyBook;

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

private:
    std::unique_ptr<ReplyBook> m_book;
    std::unique_ptr<QThread> m_thread;
    QTcpServer *m_listener = nullptr; // lives in m_thread, deleted when it finishes
    quint16 m_port = 0;
};

} // namespace testsupport
