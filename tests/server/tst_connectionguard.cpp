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
    void init();
    void timeouts_data();
    void timeouts();
    void limits_data();
    void limits();
    void headerEndSplitAcrossReads();

private:
    std::unique_ptr<GuardedTcpServer> m_server;
};

void TestConnectionGuard::init()
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

void TestConnectionGuard::timeouts_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer");    // start of what comes back before the close
    QTest::newRow("nothing sent") << QByteArray() << QByteArray();
    QTest::newRow("complete request, then idle") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n") << QByteArray();
    QTest::newRow("header never finished") << QByteArray("POST / HTTP/1.1\r\nHost: x\r\n") << QByteArray("HTTP/1.1 408 ");
    QTest::newRow("body never finished")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 50\r\n\r\n0123456789") << QByteArray("HTTP/1.1 408 ");
}

void TestConnectionGuard::timeouts()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    QTRY_COMPARE(client.state(), QAbstractSocket::ConnectedState);
    client.write(sent);
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += client.readAll(), client.state() == QAbstractSocket::UnconnectedState), 5000);
    received += client.readAll();
    QVERIFY2(received.startsWith(answer) && (answer.isEmpty() == received.isEmpty()), received.constData());
}

void TestConnectionGuard::limits_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("body at the limit")
            << "POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\n" + QByteArray(100, 'x') << QByteArray();
    QTest::newRow("body over the limit") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 101\r\n\r\n")
                                         << QByteArray("HTTP/1.1 413 ");
    QTest::newRow("second request over the limit")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\n0123456789"
                          "POST / HTTP/1.1\r\nContent-Length: 500\r\n\r\n")
            << QByteArray("HTTP/1.1 413 ");
    QTest::newRow("header over the limit") << "GET / HTTP/1.1\r\nX: " + QByteArray(300, 'x') << QByteArray("HTTP/1.1 431 ");
}

void TestConnectionGuard::limits()
{
    // A refusal is its own status, never the 408 of the stall time-out; good requests get nothing.
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    QTRY_COMPARE(client.state(), QAbstractSocket::ConnectedState);
    client.write(sent);
    if (answer.isEmpty()) {
        QTest::qWait(100);
        QVERIFY(client.readAll().isEmpty());
        QCOMPARE(client.state(), QAbstractSocket::ConnectedState);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() >= answer.size(), 2000);
    QVERIFY(client.readAll().startsWith(answer));
}

void TestConnectionGuard::headerEndSplitAcrossReads()
{
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
    QTRY_COMPARE(client.state(), QAbstractSocket::ConnectedState);
    for (const char *piece : {"POST / HTTP/1.1\r\nContent-Length: 101\r", "\n", "\r", "\n"}) {
        QVERIFY(client.bytesAvailable() == 0);
        client.write(piece);
        client.flush();
        QTest::qWait(20);
    }
    QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() > 0, 2000);
    const QByteArray got = client.readAll();
    QVERIFY2(got.startsWith("HTTP/1.1 413 "), got.constData());
}

QTEST_MAIN(TestConnectionGuard)
#include "tst_connectionguard.moc"
