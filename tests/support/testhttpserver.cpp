#include "testhttpserver.h"

#include "httpconnection.h"
#include "replybook.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace testsupport {

TestHttpServer::TestHttpServer()
    : m_book(std::make_unique<ReplyBook>())
    , m_thread(std::make_unique<QThread>())
{
    m_listener = new QTcpServer;
    // Each connection gets its own HttpConnection in the server's thread.
    QObject::connect(m_listener, &QTcpServer::newConnection, m_listener, [this] {
        while (QTcpSocket *socket = m_listener->nextPendingConnection())
            new HttpConnection(socket, *m_book, m_listener);
    });
    m_listener->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, m_listener, &QObject::deleteLater);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_listener,
        [this] {
            if (m_listener->listen(QHostAddress::LocalHost, 0))
                m_port = m_listener->serverPort();
        },
        Qt::BlockingQueuedConnection);
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
    m_book->setReply(path, reply);
}

QList<RecordedRequest> TestHttpServer::requests() const
{
    return m_book->requests();
}

void TestHttpServer::clearRequests()
{
    m_book->clearRequests();
}

} // namespace testsupport
