#include "connectionslots.h"
#include "httperror.h"
#include "httpexchange.h"
#include "ksv_config.h"
#include "logwriter.h"
#include "memorybudget.h"
#include "refusals.h"
#include "requesttarget.h"
#include "resultsserverthread.h"
#include "resultsservice.h"
#include "serverresources.h"
#include "soapcall.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

#include <future>

#include <fcntl.h>
#include <poll.h>

using namespace std::chrono_literals;

namespace {

const QByteArray WsdlPath = KSV_WSDL_PATH;
const QByteArray Endpoint = ResultsService::endpointPath().toUtf8();

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
    void requestTargets_data();
    void requestTargets();
    void connectionSlots_data();
    void connectionSlots();
    void connectionCaps();
    void memoryBudget();
    void logNeverWaits();

private:
    std::unique_ptr<ResultsServerThread> m_server;
};

void TestHttp::initTestCase()
{
    ProgramOptions options;
    options.logRequests = false;
    options.service.frozenAt = 15min;
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

    // Requests start with their request line and Host; `get` and `post` leave the head open.
    const QByteArray get = "GET " + WsdlPath + " HTTP/1.1\r\nHost: x\r\n";
    const QByteArray post = "POST " + Endpoint + " HTTP/1.1\r\nHost: x\r\n";
    const QByteArray call = SoapCall::of("getCountryResultsValnatt");
    const QByteArray length = "Content-Length: " + QByteArray::number(call.size()) + "\r\n";
    auto row = [](const char *name, const QByteArrayList &pieces, const QByteArray &answers, bool closes,
                  const QByteArrayList &contains = {}, int gapMs = 20) {
        QTest::newRow(name) << pieces << gapMs << answers << closes << contains;
    };
    // The head: 8 KiB and 100 field lines at most, however it arrives.
    const QByteArray start = "GET / HTTP/1.1\r\nHost: x\r\nX: ";
    const QByteArray fullHead = start + QByteArray(8 * 1024 - start.size() - 4, 'a') + "\r\n\r\n";
    row("head of 8 KiB", {fullHead}, "404", false);
    row("head one byte over", {start + 'a' + fullHead.mid(start.size())}, "431", true);
    row("head over in pieces", QByteArrayList(9, start + QByteArray(1024, 'a')), "431", true);
    QByteArray lines;
    for (int i = 0; i < 99; ++i)
        lines += "X" + QByteArray::number(i) + ": y\r\n";
    row("100 header lines", {"GET / HTTP/1.1\r\nHost: x\r\n" + lines + "\r\n"}, "404", false);
    row("101 header lines", {"GET / HTTP/1.1\r\nHost: x\r\n" + lines + "Y: z\r\n\r\n"}, "431", true);
    row("space before colon", {"GET / HTTP/1.1\r\nHost : x\r\n\r\n"}, "400", true);
    row("folded line", {get + "X: a\r\n b\r\n\r\n"}, "400", true);
    row("bare CR", {get + "X: y\rY: z\r\n\r\n"}, "400", true);
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
    // One interim answer, then the body is read where it left off; so is the next request.
    row("expects 100-continue", {post + "Expect: 100-continue\r\n" + length + "\r\n", call, countryCall()},
        "100 200 200", false, {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"});
    row("HTTP/1.0 expecting 100-continue", {"POST " + Endpoint + " HTTP/1.0\r\nExpect: 100-continue\r\n" + length + "\r\n", call},
        "200", true);
    // Between requests: a few empty lines, answers in request order however many come at once.
    row("empty lines before", {"\r\n\r\n" + countryCall()}, "200", false);
    row("empty lines flood", {QByteArray(3 * 1024 * 1024, '\n').replace("\n", "\r\n")}, "400", true);
    row("pipelined, in order",
        {countryCall() + countryCall("getCountryResultsSlutsam") + "HEAD " + WsdlPath + " HTTP/1.1\r\nHost: x\r\n\r\n" + get + "\r\n"},
        "200 200 200h 200", false,
        {"getCountryResultsValnattResponse", "getCountryResultsSlutsamResponse", "wsdl:definitions"});
    QByteArray many;
    QByteArrayList manyAnswers;
    for (int i = 0; i < 300; ++i) {
        many += i % 2 ? QByteArray("GET /x HTTP/1.1\r\nHost: x\r\n\r\n") : get + "\r\n";
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
    row("HTTP/1.0", {"GET " + WsdlPath + " HTTP/1.0\r\n\r\n"}, "200", true);
    row("HTTP/1.0 keep-alive", {"GET " + WsdlPath + " HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"}, "200", false);
    row("Connection: close", {get + "Connection: close\r\n\r\n"}, "200", true);
    // Routes.
    row("SOAP fault", {SoapCall::post("hello")}, "500", false, {"text/xml", "Felaktig XML"});
    row("unknown path", {"GET /emu2003/webservices/Other.wsdl HTTP/1.1\r\nHost: x\r\n\r\n"}, "404", false);
    row("POST to the WSDL", {"POST " + WsdlPath + " HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n"}, "405", false,
        {"Allow: GET, HEAD"});
    row("GET the endpoint", {"GET " + Endpoint + " HTTP/1.1\r\nHost: x\r\n\r\n"}, "405", false, {"Allow: POST"});
    // RFC 9112: Host is required of HTTP/1.1; a target in absolute form is taken, its authority
    // standing for the Host.
    row("HTTP/1.1 without Host", {"GET " + WsdlPath + " HTTP/1.1\r\n\r\n"}, "400", true);
    row("absolute-form call", {"POST HTTP://results.example:8803" + Endpoint + "?x HTTP/1.1\r\nHost: x\r\n" + length + "\r\n" + call},
        "200", false, {"getCountryResultsValnattResponse"});
    row("absolute-form with user", {"GET http://u@results.example" + WsdlPath + " HTTP/1.1\r\nHost: x\r\n\r\n"}, "400", true);
    // The WSDL's endpoint follows a Host header that is a host and port, else the listening address.
    const QByteArray own = "127.0.0.1:" + QByteArray::number(m_server->port());
    auto wsdl = [&](const char *name, const QByteArray &head, const QByteArray &expected) {
        row(name, {head + "\r\n"}, "200", false, {"location=\"http://" + expected + Endpoint + '"'});
    };
    const QByteArray getWithout = "GET " + WsdlPath + " HTTP/1.1\r\n";
    wsdl("Host, name and port", getWithout + "Host: Results.example:8803\r\n", "Results.example:8803");
    wsdl("Host, name", getWithout + "Host: localhost\r\n", "localhost");
    wsdl("Host, IPv6", getWithout + "Host: [::1]:8803\r\n", "[::1]:8803");
    wsdl("Host, IPv4", getWithout + "Host: 192.0.2.7:80\r\n", "192.0.2.7:80");
    wsdl("Host, port 1", getWithout + "Host: x:1\r\n", "x:1");
    wsdl("Host, port 65535", getWithout + "Host: x:65535\r\n", "x:65535");
    wsdl("absolute-form over Host", "GET http://results.example:8123" + WsdlPath + " HTTP/1.1\r\nHost: x\r\n",
         "results.example:8123");
    row("no Host, HTTP/1.0", {"GET " + WsdlPath + " HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"}, "200", false,
        {"location=\"http://" + own + Endpoint + '"'});
    for (const char *host : {"....", "-", "a-.example", "a..b", "x:99999", "x:65536", "x:0", "x:", "1.2.3.999", "[::1",
                             "a\"><x y=\"", "evil.example/x?", "a b"})
        wsdl(qPrintable(QStringLiteral("Host '%1'").arg(host)), getWithout + "Host: " + host + "\r\n", own);
    row("two Host headers", {get + "Host: b\r\n\r\n"}, "400", true);
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

void TestHttp::requestTargets_data()
{
    // The path and authority of a target, or "400".
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("read");
    QTest::newRow("origin form") << QByteArray("/a/b?c=d") << QByteArray("/a/b -");
    QTest::newRow("absolute form") << QByteArray("http://h.example:8803/a?c") << QByteArray("/a h.example:8803");
    QTest::newRow("scheme in capitals, no path") << QByteArray("HTTPS://h") << QByteArray("/ h");
    QTest::newRow("query without path") << QByteArray("http://h?/a") << QByteArray("/ h");
    QTest::newRow("fragment") << QByteArray("http://h/a#b") << QByteArray("/a h");
    QTest::newRow("asterisk form") << QByteArray("*") << QByteArray("* -");
    QTest::newRow("path that looks like a scheme") << QByteArray("/http://h/a") << QByteArray("/http://h/a -");
    QTest::newRow("not a scheme: a path no route has") << QByteArray("1http://h/a") << QByteArray("1http://h/a -");
    for (const char *refused : {"ftp://h/a", "htt://h/a", "httpx://h/a", "http:///a", "http://u:p@h/a"})
        QTest::newRow(refused) << QByteArray(refused) << QByteArray("400");
}

void TestHttp::requestTargets()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, read);
    QByteArray got;
    try {
        const RequestTarget parsed = RequestTarget::parse(target.toStdString());
        got = QByteArray::fromStdString(parsed.path + ' ' + parsed.authority.value_or("-"));
    } catch (const HttpError &error) {
        got = QByteArray::number(error.status());
    }
    QCOMPARE(got, read);
}

void TestHttp::connectionSlots_data()
{
    // Steps: "+ADDRESS" admits a connection (y: a ticket, numbered from 0 in order; else the
    // refusal's name), "iN" and "bN" say ticket N is idle or busy, "-N"
    // drops it, "x" evicts what has been idle at all if nearly full. A ticket told it was evicted
    // adds "eN". At the end: open connections, client
    // keys still counted, and whether idle ones get the shorter time.
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("perClient");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("IPv6 per /64, IPv4 also when mapped")
            << 10 << 1 << "+2001:db8:0:1::1 +2001:db8:0:1:ffff::2 +2001:db8:0:2::1 +::ffff:192.0.2.1 +192.0.2.1"
            << "y client-full y y client-full open=3 clients=3 relaxed";
    QTest::newRow("places and keys given back") << 10 << 2 << "+192.0.2.1 +192.0.2.1 +192.0.2.2 -0 -1 -2 +192.0.2.1"
                                                << "y y y y open=1 clients=1 relaxed";
    QTest::newRow("no cap per client") << 3 << 0 << "+192.0.2.1 +192.0.2.1 +192.0.2.1 +192.0.2.1"
                                       << "y y y server-full open=3 clients=1 pressed";
    QTest::newRow("longest idle evicted, once")
            << 2 << 0 << "+192.0.2.1 +192.0.2.2 i1 i0 +192.0.2.3 -1 +192.0.2.4 b2 +192.0.2.5"
            << "y y e1 y e0 y server-full open=2 clients=2 pressed";
    QTest::newRow("busy again, not evicted") << 2 << 0 << "+192.0.2.1 +192.0.2.2 i0 b0 +192.0.2.3"
                                             << "y y server-full open=2 clients=2 pressed";
    QTest::newRow("client cap before eviction") << 1 << 1 << "+192.0.2.1 i0 +192.0.2.1" << "y client-full open=1 clients=1 pressed";
    QTest::newRow("nearly full, idle ones evicted down to 90 %")
            << 4 << 0 << "+192.0.2.1 +192.0.2.2 +192.0.2.3 +192.0.2.4 i2 i0 i1 x x"
            << "y y y y e2 open=3 clients=3 relaxed";
    QTest::newRow("under 90 % relaxed") << 10 << 0 << QString("+192.0.2.1 ").repeated(8).trimmed()
                                        << QString("y ").repeated(8) + "open=8 clients=1 relaxed";
}

void TestHttp::connectionSlots()
{
    QFETCH(int, total);
    QFETCH(int, perClient);
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    ConnectionSlots places(total, perClient);
    QStringList got;
    std::vector<std::optional<ConnectionSlots::Ticket>> tickets;
    for (const QString &step : steps.split(u' ')) {
        const int n = step.mid(1).toInt();
        if (step.startsWith(u'+')) {
            auto admitted = places.admit(ConnectionSlots::clientKey(boost::asio::ip::make_address(step.mid(1).toStdString())));
            if (auto *ticket = std::get_if<ConnectionSlots::Ticket>(&admitted)) {
                const int number = int(tickets.size());
                ticket->watch([&got, number](ConnectionSlots::Notice notice) {
                    got << (notice == ConnectionSlots::Notice::Evicted ? QStringLiteral("e%1").arg(number) : QStringLiteral("?"));
                });
                tickets.emplace_back(std::move(*ticket));
                got << "y";
            } else {
                got << QString::fromLatin1(Refusals::name(std::get<Refusal>(admitted)).data());
            }
        } else if (step.startsWith(u'-')) {
            tickets.at(std::size_t(n)).reset();
        } else if (step == u"x") {
            places.evictIdleOver(std::chrono::milliseconds(0));
        } else {
            tickets.at(std::size_t(n))->setIdle(step.startsWith(u'i'));
        }
    }
    const bool pressed = places.idleTimeout(std::chrono::minutes(2), std::chrono::seconds(5)) == std::chrono::seconds(5);
    got << QStringLiteral("open=%1 clients=%2 %3").arg(places.open()).arg(places.clients()).arg(pressed ? "pressed" : "relaxed");
    QCOMPARE(got.join(u' '), outcome);
}

void TestHttp::connectionCaps()
{
    // With real sockets, a second server beside the first: the client cap answers 503 at once; at
    // the total cap a newcomer takes the place of the connection idle longest, unless all are in
    // the middle of a request; nearly full, idle connections are kept for the shorter time. The
    // server stops listening when it goes.
    ProgramOptions options;
    options.logRequests = false;
    options.http.maxConnections = 3;
    options.http.maxConnectionsPerClient = 2;
    options.http.idleTimeout = 30s;
    options.http.pressedIdleTimeout = 1s;
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
    QCOMPARE(HttpExchange::status(*other, countryCall()), 200);
    auto newcomer = open("127.0.0.3");
    QVERIFY(first->waitForDisconnected(2000));
    QVERIFY(second->state() == QAbstractSocket::ConnectedState);
    QCOMPARE(HttpExchange::status(*newcomer, countryCall()), 200);
    for (QTcpSocket *busy : {second.get(), other.get(), newcomer.get()})
        busy->write("GET / HTTP/1.1\r\n");
    QTest::qWait(200);
    QVERIFY(turnedAway(*open("127.0.0.4")));
    QCOMPARE(HttpExchange::status(*second, "Host: x\r\n\r\n"), 404);
    QElapsedTimer idle;
    idle.start();
    QVERIFY(second->waitForDisconnected(5000));
    QVERIFY(idle.elapsed() < 5000);
    server.reset();
    QVERIFY(!open("127.0.0.1"));
}

void TestHttp::memoryBudget()
{
    // Each connection's allowance is outside the budget: small requests get through a spent one.
    MemoryBudget budget(10);
    MemoryBudget::Lease large(budget, 4);
    MemoryBudget::Lease small(budget, 4);
    QVERIFY(large.resize(14) && !large.resize(15));
    QVERIFY(small.resize(4) && !small.resize(5));
    QCOMPARE(budget.used(), std::size_t(10));
    large.resize(0);
    QVERIFY(small.resize(5));
    QCOMPARE(budget.used(), std::size_t(1));

    // Requests are held in memory as they arrive, within the server's budget: past it a request
    // gets 503 and what it held is given back; a stated length alone holds nothing.
    ProgramOptions options;
    options.logRequests = false;
    options.http.maxConnections = 100;
    // The budget then is one request's most: 96 KiB.
    options.http.memoryTarget = ServerResources::ProcessBytes + 100 * ServerResources::ConnectionBytes + 64 * 1024;
    ResultsServerThread server(options);
    QByteArray body = SoapCall::of("getCountryResultsValnatt");
    body.insert(body.indexOf("<SOAP-ENV:Body>"), QByteArray(48000 - body.size(), ' '));
    const QByteArray whole = SoapCall::post(body);
    const qsizetype cut = whole.size() - 10000;
    auto connect = [&] {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, server.port());
        return socket->waitForConnected(5000) ? std::move(socket) : nullptr;
    };
    auto first = connect();
    auto second = connect();
    QVERIFY(first && second);
    first->write(whole.left(cut));
    QVERIFY(first->waitForBytesWritten(1000));
    QTest::qWait(200);
    QCOMPARE(HttpExchange::status(*second, whole.left(cut)), 503);
    QVERIFY(second->waitForDisconnected(2000));
    QCOMPARE(HttpExchange::status(*first, whole.mid(cut)), 200);
    std::vector<std::unique_ptr<QTcpSocket>> claiming;
    for (int i = 0; i < 3; ++i) {
        claiming.push_back(connect());
        claiming.back()->write("POST " + Endpoint + " HTTP/1.1\r\nHost: x\r\nContent-Length: 65000\r\n\r\n" + QByteArray(100, ' '));
    }
    QTest::qWait(200);
    auto third = connect();
    QCOMPARE(HttpExchange::status(*third, countryCall()), 200);
}

void TestHttp::logNeverWaits()
{
    // A log whose reader has stopped: writing never waits; what does not fit is dropped and
    // counted, and the count follows once the reader reads again.
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    auto log = std::make_unique<LogWriter>(ends[1], 16 * 1024);
    constexpr int Lines = 2000;
    auto writing = std::async(std::launch::async, [&] {
        for (int i = 0; i < Lines; ++i)
            log->write(QByteArray::number(i).leftJustified(99, '.').append('\n').toStdString());
    });
    QVERIFY(writing.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
    // The count may be said more than once: the writer can drain between drops while the lines
    // are still being written. Read until the log has been quiet for a while.
    QByteArray read;
    pollfd readable{ends[0], POLLIN, 0};
    while (::poll(&readable, 1, read.contains("tappades") ? 500 : 5000) == 1) {
        char chunk[65536];
        const ssize_t n = ::read(ends[0], chunk, sizeof chunk);
        QVERIFY(n > 0);
        read.append(chunk, n);
    }
    int written = 0;
    std::uint64_t dropped = 0;
    for (const QByteArray &line : read.split('\n')) {
        if (line.startsWith("ksv-results-service: "))
            dropped += line.mid(21).split(' ').first().toULongLong();
        else if (!line.isEmpty())
            ++written;
    }
    QVERIFY2(dropped > 0, read.right(200).constData());
    QCOMPARE(written + int(dropped), Lines);
    QCOMPARE(log->dropped(), dropped);
    log.reset();
    ::close(ends[0]);
    ::close(ends[1]);
}

QTEST_MAIN(TestHttp)
#include "tst_http.moc"
