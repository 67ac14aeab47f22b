#include "guardedtcpserver.h"

#include <QTcpSocket>
#include <QTest>

using namespace std::chrono_literals;

// The guard on its own, with small limits and short timeouts. In place of the HTTP server a
// reader takes every byte as it comes, as that server does, and answers nothing: whatever the
// client gets back comes from the guard.
class TestConnectionGuard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void answers_data();
    void answers();

private:
    std::unique_ptr<GuardedTcpServer> m_server;
};

void TestConnectionGuard::initTestCase()
{
    ConnectionLimits limits;
    limits.maxBodySize = 100;
    limits.maxHeaderSize = 200;
    limits.stallTimeout = 300ms;
    limits.idleTimeout = 800ms;
    m_server = std::make_unique<GuardedTcpServer>(limits);
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
    connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [server = m_server.get()] {
        while (QTcpSocket *socket = server->nextPendingConnection())
            connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    });
}

void TestConnectionGuard::answers_data()
{
    // Sent piece by piece, so each piece is a read of its own; every connection ends, at the
    // latest when it has been idle.
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("answer");    // start of what comes back before the close; empty: nothing
    const QByteArray post = "POST / HTTP/1.1\r\nContent-Length: ";
    QTest::newRow("nothing sent") << QByteArrayList() << QByteArray();
    QTest::newRow("complete request, then idle") << QByteArrayList{"GET / HTTP/1.1\r\nHost: x\r\n\r\n"} << QByteArray();
    QTest::newRow("body at the limit") << QByteArrayList{post + "100\r\n\r\n" + QByteArray(100, 'x')} << QByteArray();
    QTest::newRow("header never finished") << QByteArrayList{"POST / HTTP/1.1\r\nHost: x\r\n"} << QByteArray("HTTP/1.1 408 ");
    QTest::newRow("body never finished") << QByteArrayList{post + "50\r\n\r\n0123456789"} << QByteArray("HTTP/1.1 408 ");
    QTest::newRow("body over the limit") << QByteArrayList{post + "101\r\n\r\n"} << QByteArray("HTTP/1.1 413 ");
    QTest::newRow("second request over the limit")
            << QByteArrayList{post + "10\r\n\r\n0123456789" + post + "500\r\n\r\n"} << QByteArray("HTTP/1.1 413 ");
    QTest::newRow("header over the limit") << QByteArrayList{"GET / HTTP/1.1\r\nX: " + QByteArray(300, 'x')}
                                           << QByteArray("HTTP/1.1 431 ");
    QTest::newRow("header end split across reads")
            << QByteArrayList{post + "101\r", "\n", "\r", "\n"} << QByteArray("HTTP/1.1 413 ");
}

void TestConnectionGuard::answers()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, answer);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    QTRY_COMPARE(client.state(), QAbstractSocket::ConnectedState);
    QByteArray received;
    for (const QByteArray &piece : pieces) {
        client.write(piece);
        client.flush();
        QTest::qWait(20);
        received += client.readAll();
    }
    QTRY_VERIFY_WITH_TIMEOUT((received += client.readAll(), client.state() == QAbstractSocket::UnconnectedState), 5000);
    received += client.readAll();
    QVERIFY2(received.startsWith(answer) && answer.isEmpty() == received.isEmpty(), received.constData());
}

QTEST_MAIN(TestConnectionGuard)
#include "tst_connectionguard.moc"
