#include "httpexchange.h"
#include "ksv_config.h"
#include "resultsserverthread.h"
#include "resultsservice.h"
#include "soapcall.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray wsdlPath = KSV_WSDL_PATH;
const QByteArray endpoint = ResultsService::endpointPath().toUtf8();

QByteArray countryCall(const char *operation = "getCountryResultsValnatt")
{
    return SoapCall::post(SoapCall::of(operation));
}

// The statuses of the complete answers at the start of `bytes`, as "200 404". An expected status
// written "200h" is a HEAD answer: its Content-Length has no body behind it.
QByteArray statuses(const QByteArray &bytes, const QByteArray &expected)
{
    const QByteArrayList tokens = expected.split(' ');
    QByteArrayList found;
    for (qsizetype at = 0, end; (end = bytes.indexOf("\r\n\r\n", at)) >= 0; at = end + 4) {
        const QByteArray head = bytes.mid(at, end - at).toLower();
        const bool headOnly = tokens.value(found.size()).endsWith('h');
        const qsizetype lengthAt = head.indexOf("\ncontent-length: ");
        if (!headOnly && lengthAt >= 0)
            end += head.mid(lengthAt + 17).split('\r').first().toLongLong();
        if (end + 4 > bytes.size())
            break;
        found << head.mid(9, 3) + (headOnly ? "h" : "");
    }
    return found.join(' ');
}

struct Outcome
{
    QByteArray received;
    bool closed = false;
    qint64 unsentAtClose = 0;
};

// Sends the pieces with a pause after each, then reads until the server closes or, for a
// connection that should stay open, until the expected answers are in and nothing more comes for
// a moment. A client that does not read keeps a small window, so the server's answers back up.
Outcome exchange(quint16 port, const QByteArrayList &pieces, int gapMs, const QByteArray &expected, bool closes,
                 bool reads = true)
{
    Outcome outcome;
    QTcpSocket socket;
    if (!reads) {
        socket.setReadBufferSize(4096);
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    }
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return outcome;
    auto pump = [&](int ms) {
        if (!reads)
            socket.waitForBytesWritten(ms);
        else if (socket.waitForReadyRead(ms))
            outcome.received += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    };
    QElapsedTimer timer;
    for (const QByteArray &piece : pieces) {
        socket.write(piece);
        for (timer.start(); timer.elapsed() < gapMs && !pump(1);) {}
    }
    QElapsedTimer quiet;
    for (timer.start(), quiet.start(); timer.elapsed() < 1500;) {
        const qint64 unsent = socket.bytesToWrite();
        const qsizetype before = outcome.received.size();
        if ((outcome.closed = pump(50))) {
            outcome.unsentAtClose = unsent;
            break;
        }
        if (outcome.received.size() != before)
            quiet.restart();
        if (!closes && statuses(outcome.received, expected) == expected && quiet.elapsed() > 150)
            break;
    }
    return outcome;
}

} // namespace

class TestHttp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rawBytes_data();
    void rawBytes();
    void unreadAnswersStopTheReading();
    void connectionCaps();

private:
    std::unique_ptr<ResultsServerThread> m_server;
};

void TestHttp::initTestCase()
{
    ServiceOptions options;
    options.logRequests = false;
    options.frozenAt = 15min;
    options.http.headDeadline = 300ms;
    options.http.requestDeadline = 600ms;
    options.http.writeDeadline = 300ms;
    options.http.idleTimeout = 3s;    // longer than a row waits for a close
    options.http.lingerTime = 200ms;
    m_server = std::make_unique<ResultsServerThread>(options);
    QCOMPARE(m_server->wsdlUrl(), QStringLiteral("http://127.0.0.1:%1" KSV_WSDL_PATH).arg(m_server->port()));
}

void TestHttp::rawBytes_data()
{
    // One connection per row, with the deadlines shortened (head 300 ms, whole request 600 ms,
    // write 300 ms) and the other limits as in service.
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<int>("gapMs");            // after each piece
    QTest::addColumn<QByteArray>("answers");    // statuses in order
    QTest::addColumn<bool>("closes");          // the server closes the connection (else it stays open)
    QTest::addColumn<QByteArrayList>("contains");    // in this order in what came back

    const QByteArray get = "GET " + wsdlPath + " HTTP/1.1\r\n";
    const QByteArray post = "POST " + endpoint + " HTTP/1.1\r\nHost: x\r\n";
    const QByteArray call = SoapCall::of("getCountryResultsValnatt");
    const QByteArray length = "Content-Length: " + QByteArray::number(call.size()) + "\r\n";
    auto row = [](const char *name, const QByteArrayList &pieces, const QByteArray &answers, bool closes,
                  const QByteArrayList &contains = {}, int gapMs = 20) {
        QTest::newRow(name) << pieces << gapMs << answers << closes << contains;
    };
    // The head: 8 KiB and 100 field lines at most, however it arrives.
    const QByteArray start = "GET / HTTP/1.1\r\nX: ";
    const QByteArray fullHead = start + QByteArray(8 * 1024 - start.size() - 4, 'a') + "\r\n\r\n";
    row("head of 8 KiB", {fullHead}, "404", false);
    row("head one byte over", {start + 'a' + fullHead.mid(start.size())}, "431", true);
    row("head over in pieces", QByteArrayList(9, start + QByteArray(1024, 'a')), "431", true);
    QByteArray lines;
    for (int i = 0; i < 100; ++i)
        lines += "X" + QByteArray::number(i) + ": y\r\n";
    row("100 header lines", {"GET / HTTP/1.1\r\n" + lines + "\r\n"}, "404", false);
    row("101 header lines", {"GET / HTTP/1.1\r\n" + lines + "Y: z\r\n\r\n"}, "431", true);
    row("space before colon", {"GET / HTTP/1.1\r\nHost : x\r\n\r\n"}, "400", true);
    row("folded line", {get + "Host: x\r\nX: a\r\n b\r\n\r\n"}, "400", true);
    row("bare CR", {get + "Host: x\rY: z\r\n\r\n"}, "400", true);
    row("bare LF", {"GET / HTTP/1.1\nHost: x\n\n"}, "400", true);
    // The body: its length stated once, 64 KiB at most, refused from the head alone.
    QByteArray atCap = call;
    atCap.insert(atCap.indexOf("<SOAP-ENV:Body>"), QByteArray(64 * 1024 - atCap.size(), ' '));
    row("body at the cap", {SoapCall::post(atCap)}, "200", false, {"getCountryResultsValnattResponse"});
    row("body one over the cap", {post + "Content-Length: 65537\r\n\r\n"}, "413", true);
    row("huge body on its way", {post + "Content-Length: 209715200\r\n\r\n" + QByteArray(64 * 1024, ' ')}, "413", true);
    row("two equal lengths", {post + length + length + "\r\n" + call}, "400", true);
    row("large length then small", {post + "Content-Length: 209715200\r\n" + length + "\r\n" + call}, "400", true);
    row("length list", {post + "Content-Length: 5, 5\r\n\r\nhello"}, "400", true);
    row("length and chunked", {post + length + "Transfer-Encoding: chunked\r\n\r\n" + call}, "400", true);
    row("chunked and length", {post + "Transfer-Encoding: chunked\r\n" + length + "\r\n" + call}, "400", true);
    row("chunked", {post + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"}, "411", true);
    row("expects 100-continue", {post + "Expect: 100-continue\r\n" + length + "\r\n", call}, "100 200", false);
    // Between requests: a few empty lines, answers in request order however many come at once.
    row("empty lines before", {"\r\n\r\n" + countryCall()}, "200", false);
    row("empty lines flood", {QByteArray(3 * 1024 * 1024, '\n').replace("\n", "\r\n")}, "400", true);
    row("pipelined, in order",
        {countryCall() + countryCall("getCountryResultsSlutsam") + "HEAD " + wsdlPath + " HTTP/1.1\r\n\r\n" + get + "\r\n"},
        "200 200 200h 200", false,
        {"getCountryResultsValnattResponse", "getCountryResultsSlutsamResponse", "wsdl:definitions"});
    QByteArray many;
    QByteArrayList manyAnswers;
    for (int i = 0; i < 300; ++i) {
        many += i % 2 ? QByteArray("GET /x HTTP/1.1\r\n\r\n") : get + "\r\n";
        manyAnswers << (i % 2 ? "404" : "200");
    }
    row("300 pipelined", {many}, manyAnswers.join(' '), false);
    // Absolute deadlines, not restarted by each byte.
    QByteArrayList trickle;
    for (char c : QByteArray("GET / HTTP/1.1\r\n"))
        trickle << QByteArray(1, c);
    row("head trickling past 300 ms", trickle, "", true, {}, 40);
    row("body trickling past 600 ms", QByteArrayList{post + length + "\r\n"} + trickle, "", true, {}, 50);
    row("nothing sent", {}, "", true);
    // Closing after the answer.
    row("HTTP/1.0", {"GET " + wsdlPath + " HTTP/1.0\r\n\r\n"}, "200", true);
    row("HTTP/1.0 keep-alive", {"GET " + wsdlPath + " HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"}, "200", false);
    row("Connection: close", {get + "Host: x\r\nConnection: close\r\n\r\n"}, "200", true);
    // Routes.
    row("SOAP fault", {SoapCall::post("hello")}, "500", false, {"text/xml", "Felaktig XML"});
    row("unknown path", {"GET /emu2003/webservices/Other.wsdl HTTP/1.1\r\n\r\n"}, "404", false);
    row("POST to the WSDL", {"POST " + wsdlPath + " HTTP/1.1\r\nContent-Length: 0\r\n\r\n"}, "405", false, {"Allow: GET, HEAD"});
    row("GET the endpoint", {"GET " + endpoint + " HTTP/1.1\r\n\r\n"}, "405", false, {"Allow: POST"});
    // The WSDL's endpoint follows a Host header that is a host and port, else the listening address.
    const QByteArray own = "127.0.0.1:" + QByteArray::number(m_server->port());
    auto wsdl = [&](const char *name, const QByteArray &host, const QByteArray &expected) {
        row(name, {get + host + "\r\n"}, "200", false, {"location=\"http://" + expected + endpoint + '"'});
    };
    wsdl("Host, name and port", "Host: Results.example:8803\r\n", "Results.example:8803");
    wsdl("Host, name", "Host: localhost\r\n", "localhost");
    wsdl("Host, IPv6", "Host: [::1]:8803\r\n", "[::1]:8803");
    wsdl("Host, IPv4", "Host: 192.0.2.7:80\r\n", "192.0.2.7:80");
    wsdl("no Host", "", own);
    for (const char *host : {"....", "-", "a-.example", "a..b", "x:99999", "x:0", "x:", "1.2.3.999", "[::1", "a\"><x y=\"",
                             "evil.example/x?", "a b"})
        wsdl(qPrintable(QStringLiteral("Host '%1'").arg(host)), QByteArray("Host: ") + host + "\r\n", own);
    row("two Host headers", {get + "Host: a\r\nHost: b\r\n\r\n"}, "400", true);
}

void TestHttp::rawBytes()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(int, gapMs);
    QFETCH(QByteArray, answers);
    QFETCH(bool, closes);
    QFETCH(QByteArrayList, contains);
    const Outcome outcome = exchange(m_server->port(), pieces, gapMs, answers, closes);
    QCOMPARE(statuses(outcome.received, answers), answers);
    QCOMPARE(outcome.closed, closes);
    qsizetype at = 0;
    for (const QByteArray &part : contains) {
        at = outcome.received.indexOf(part, at);
        QVERIFY2(at >= 0, part.constData());
    }
    // Every refusal says it closes.
    if (closes && !answers.isEmpty() && !answers.startsWith('2'))
        QVERIFY(outcome.received.contains("Connection: close\r\n"));
}

void TestHttp::unreadAnswersStopTheReading()
{
    // 11 MB of pipelined calls, no answer read: once the answers back up the server reads no more,
    // and it closes when one cannot be written within the write deadline.
    const QByteArray calls = countryCall().repeated(33000);
    const Outcome outcome = exchange(m_server->port(), {calls}, 0, {}, true, false);
    QVERIFY(outcome.closed);
    QVERIFY2(outcome.unsentAtClose > 0, "the server read every byte");
}

void TestHttp::connectionCaps()
{
    // Past a cap a new connection is answered 503 at once; its place comes free when one closes,
    // by the client or, idle, by the server. A second server beside the first; it stops listening
    // when it goes.
    ServiceOptions options;
    options.logRequests = false;
    options.http.maxConnections = 3;
    options.http.maxConnectionsPerClient = 2;
    options.http.idleTimeout = 300ms;
    auto server = std::make_unique<ResultsServerThread>(options);
    const quint16 port = server->port();
    auto open = [&](const char *from) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress(QString::fromLatin1(from)));
        socket->connectToHost(QHostAddress::LocalHost, port);
        return socket->waitForConnected(5000) ? std::move(socket) : nullptr;
    };
    auto turnedAway = [](QTcpSocket &socket) {
        return socket.waitForReadyRead(1000) && socket.readAll().startsWith("HTTP/1.1 503 Service Unavailable\r\nRetry-After: ");
    };
    auto first = open("127.0.0.1");
    auto second = open("127.0.0.1");
    QVERIFY(first && second);
    QVERIFY(turnedAway(*open("127.0.0.1")));
    auto other = open("127.0.0.2");
    QVERIFY(other);
    QCOMPARE(HttpExchange::status(*other, countryCall()), 200);
    QVERIFY(turnedAway(*open("127.0.0.2")));
    // Tried again, not with QTRY: it would try once more, and find the place its last try held.
    first.reset();
    bool admitted = false;
    for (int attempt = 0; attempt < 100 && !admitted; ++attempt, QTest::qWait(10))
        admitted = HttpExchange::status(*open("127.0.0.1"), countryCall()) == 200;
    QVERIFY(admitted);
    QVERIFY(other->waitForDisconnected(2000));
    server.reset();
    QVERIFY(!open("127.0.0.1"));
}

QTEST_MAIN(TestHttp)
#include "tst_http.moc"
