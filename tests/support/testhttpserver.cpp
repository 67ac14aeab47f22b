#include "testhttpserver.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

namespace testsupport {

// The replies and the requests, shared between the test's thread and the server's.
struct TestHttpServer::Book
{
    // The query takes part only if a reply was set with it.
    CannedReply replyFor(const QByteArray &path) const
    {
        QMutexLocker lock(&mutex);
        const qsizetype query = path.indexOf('?');
        return replies.value(path, replies.value(query < 0 ? path : path.left(query), notFound));
    }

    mutable QMutex mutex;
    QHash<QByteArray, CannedReply> replies;
    const CannedReply notFound = CannedReply::withStatus(404, "Not found", "text/plain");
    QList<RecordedRequest> requests;
};

namespace {

// One client connection: reads requests (keep-alive included), records each and plays the
// canned reply for its path; further requests wait while a reply is going out.
class Connection : public QObject
{
public:
    Connection(QTcpSocket *socket, TestHttpServer::Book &book, QObject *parent)
        : QObject(parent), m_socket(socket), m_book(book)
    {
        socket->setParent(this);
        // Head and body go out in separate writes; without this, Nagle and delayed ACKs add 40 ms.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, &Connection::readRequests);
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

private:
    void readRequests()
    {
        m_buffer += m_socket->readAll();
        RecordedRequest request;
        while (!m_busy && takeRequest(request)) {
            QMutexLocker lock(&m_book.mutex);
            m_book.requests.append(request);
            lock.unlock();
            answer(m_book.replyFor(request.path));
        }
    }

    bool takeRequest(RecordedRequest &request)
    {
        const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return false;
        const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        RecordedRequest parsed{requestLine.value(0), requestLine.value(1), {}, {}};
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon > 0)
                parsed.headers.append({lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
        }
        const qsizetype length = parsed.header("Content-Length").toLongLong();
        if (m_buffer.size() - headEnd - 4 < length)
            return false;
        parsed.body = m_buffer.mid(headEnd + 4, length);
        m_buffer.remove(0, headEnd + 4 + length);
        request = parsed;
        return true;
    }

    void answer(const CannedReply &reply)
    {
        m_busy = true;
        if (reply.stall)
            return; // the socket stays open and silent until the client gives up
        QTimer::singleShot(reply.delay, this, [this, reply] {
            QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
                + reply.reason + "\r\n";
            for (const auto &header : reply.headers)
                head += header.first + ": " + header.second + "\r\n";
            const qsizetype length = reply.chunks.join().size();
            head += reply.chunked ? QByteArray("Transfer-Encoding: chunked")
                                  : "Content-Length: " + QByteArray::number(length + (reply.closeMidAnswer ? 1000 : 0));
            m_socket->write(head + "\r\n\r\n");
            writeChunk(reply, 0);
        });
    }

    void writeChunk(const CannedReply &reply, int index)
    {
        for (; index < reply.chunks.size(); ++index) {
            const QByteArray &chunk = reply.chunks.at(index);
            if (!reply.chunked)
                m_socket->write(chunk);
            else if (!chunk.isEmpty())
                m_socket->write(QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n");
            if (reply.chunkDelay.count() > 0 && index + 1 < reply.chunks.size()) {
                m_socket->flush();
                QTimer::singleShot(reply.chunkDelay, this, [this, reply, index] { writeChunk(reply, index + 1); });
                return;
            }
        }
        if (reply.closeMidAnswer)
            return m_socket->disconnectFromHost();
        if (reply.chunked)
            m_socket->write("0\r\n\r\n");
        m_busy = false;
        if (!m_buffer.isEmpty())
            QTimer::singleShot(0, this, &Connection::readRequests);
    }

    QTcpSocket *m_socket;
    TestHttpServer::Book &m_book;
    QByteArray m_buffer;
    bool m_busy = false;
};

} // namespace

TestHttpServer::TestHttpServer()
    : m_book(std::make_unique<Book>())
    , m_thread(std::make_unique<QThread>())
{
    auto *listener = new QTcpServer; // lives in m_thread, deleted when it finishes
    QObject::connect(listener, &QTcpServer::newConnection, listener, [this, listener] {
        while (QTcpSocket *socket = listener->nextPendingConnection())
            new Connection(socket, *m_book, listener);
    });
    listener->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, listener, &QObject::deleteLater);
    m_thread->start();
    QMetaObject::invokeMethod(
        listener, [this, listener] {
            if (listener->listen(QHostAddress::LocalHost, 0))
                m_port = listener->serverPort();
        }, Qt::BlockingQueuedConnection);
    if (m_port == 0)
        qFatal("TestHttpServer: cannot listen on 127.0.0.1");
}

TestHttpServer::~TestHttpServer()
{
    m_thread->quit();
    m_thread->wait();
}

QUrl TestHttpServer::url(const QByteArray &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(QString::fromLatin1(path)));
}

void TestHttpServer::setReply(const QByteArray &path, const CannedReply &reply)
{
    QMutexLocker lock(&m_book->mutex);
    m_book->replies.insert(path, reply);
}

QList<RecordedRequest> TestHttpServer::requests() const
{
    QMutexLocker lock(&m_book->mutex);
    return m_book->requests;
}

void TestHttpServer::clearRequests()
{
    QMutexLocker lock(&m_book->mutex);
    m_book->requests.clear();
}

} // namespace testsupport
