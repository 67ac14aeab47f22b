#include "bodysink.h"
#include "errornumbers.h"
#include "httptransport.h"
#include "raisederror.h"

#include "gzip.h"
#include "testhttpserver.h"

#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace soap;
using testsupport::CannedReply;
using testsupport::TestHttpServer;

namespace {

// Records what arrived and how it was cut up.
class RecordingSink : public BodySink
{
public:
    void begin(const HttpResponseHead &h) override { head = h; ++begins; }
    void append(const char *data, qsizetype size) override
    {
        body.append(data, size);
        ++pieces;
    }
    HttpResponseHead head;
    QByteArray body;
    int begins = 0;
    int pieces = 0;
};

TransportLimits shortLimits(std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    TransportLimits limits;
    limits.timeout = timeout;
    return limits;
}

HttpRequest get(const QUrl &url)
{
    HttpRequest request;
    request.url = url;
    return request;
}

QByteArray bigBody(qsizetype size)
{
    QByteArray body(size, 'x');
    for (qsizetype i = 0; i < size; i += 1000)
        body[i] = char('a' + (i / 1000) % 26);
    return body;
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT
private slots:
    void answerArrivesWhole_data();
    void answerArrivesWhole();
    void postSendsBodyAndHeaders();
    void errorStatusIsAnAnswer();
    void failures_data();
    void failures();
    void closedMidAnswer();
    void stalledServerTimesOut();
    void trickleIsCutOffByTotalDeadline();
    void sizeCapStopsWhileReading_data();
    void sizeCapStopsWhileReading();
    void redirects_data();
    void redirects();
    void redirectToAnotherSchemeIsRefused();
    void sinkErrorEndsExchange();
    void callerEventsWaitUntilTheCallReturns();
    void transportIsReusableAfterFailure();
};

void TestTransport::answerArrivesWhole_data()
{
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray body = bigBody(3 * 1024 * 1024 + 17);
    QTest::newRow("small") << CannedReply::ok("<a/>") << QByteArray("<a/>");
    QTest::newRow("empty") << CannedReply::ok("") << QByteArray();

    CannedReply pieces = CannedReply::ok({});
    pieces.chunks = {"<a>", "one", "two", "</a>"};
    pieces.chunkDelay = std::chrono::milliseconds(20);
    QTest::newRow("pieces with pauses") << pieces << QByteArray("<a>onetwo</a>");

    CannedReply chunked = pieces;
    chunked.chunked = true;
    QTest::newRow("chunked transfer") << chunked << QByteArray("<a>onetwo</a>");

    // Larger than the caller's queue, so the network side has to wait for the caller.
    QTest::newRow("larger than the queue") << CannedReply::ok(body) << body;

    CannedReply compressed = CannedReply::ok(testsupport::gzip(body));
    compressed.headers.append({QByteArray("Content-Encoding"), QByteArray("gzip")});
    QTest::newRow("gzip") << compressed << body;
}

void TestTransport::answerArrivesWhole()
{
    QFETCH(CannedReply, reply);
    QFETCH(QByteArray, expected);
    TestHttpServer server;
    server.setReply("/doc", reply);
    HttpTransport transport(shortLimits());
    RecordingSink sink;
    const HttpResponseHead head = transport.exchange(get(server.url("/doc")), sink);
    QCOMPARE(head.status, 200);
    QCOMPARE(sink.begins, 1);
    QCOMPARE(sink.body.size(), expected.size());
    QVERIFY(sink.body == expected);
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().at(0).method, QByteArray("GET"));
    QVERIFY(server.requests().at(0).header("Accept-Encoding").contains("gzip"));
}

void TestTransport::postSendsBodyAndHeaders()
{
    TestHttpServer server;
    server.setReply("/call", CannedReply::ok("<ok/>", "text/xml; charset=\"ISO-8859-1\""));
    HttpTransport transport(shortLimits());
    HttpRequest request;
    request.url = server.url("/call");
    request.post = true;
    request.body = "<Envelope/>";
    request.headers = {{"Content-Type", "text/xml; charset=utf-8"}, {"SOAPAction", "\"urn:x\""}};
    RecordingSink sink;
    const HttpResponseHead head = transport.exchange(request, sink);
    QCOMPARE(head.charset(), QByteArray("ISO-8859-1"));
    const auto received = server.requests();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].method, QByteArray("POST"));
    QCOMPARE(received[0].body, QByteArray("<Envelope/>"));
    QCOMPARE(received[0].header("SOAPAction"), QByteArray("\"urn:x\""));
    QCOMPARE(received[0].header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
}

void TestTransport::errorStatusIsAnAnswer()
{
    // The body of a 500 may hold a SOAP Fault: the transport hands it over, not an error.
    TestHttpServer server;
    server.setReply("/x", CannedReply::withStatus(500, "<fault/>"));
    HttpTransport transport(shortLimits());
    RecordingSink sink;
    const HttpResponseHead head = transport.exchange(get(server.url("/x")), sink);
    QCOMPARE(head.status, 500);
    QCOMPARE(head.reason, QByteArray("Internal Server Error"));
    QVERIFY(!head.isSuccess());
    QCOMPARE(sink.body, QByteArray("<fault/>"));
}

void TestTransport::failures_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("descriptionPart");

    // A port that was free a moment ago: nothing listens there.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString closed = QStringLiteral("http://127.0.0.1:%1/x").arg(probe.serverPort());
    probe.close();
    QTest::newRow("refused") << closed << int(ErrorNumber::CannotConnect)
                             << QStringLiteral("Kunde inte ansluta till %1: anslutningen nekades").arg(closed);
    QTest::newRow("host not found") << QStringLiteral("http://nosuchhost.invalid/x")
                                    << int(ErrorNumber::HostNotFound)
                                    << QStringLiteral("http://nosuchhost.invalid/x");
    QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1/x") << int(ErrorNumber::UnsupportedUrl)
                         << QStringLiteral("ftp://127.0.0.1/x");
    QTest::newRow("file") << QStringLiteral("file:///etc/passwd") << int(ErrorNumber::UnsupportedUrl)
                          << QStringLiteral("/etc/passwd");
    QTest::newRow("no url") << QString() << int(ErrorNumber::UnsupportedUrl) << QString();
}

void TestTransport::failures()
{
    QFETCH(QString, url);
    QFETCH(int, number);
    QFETCH(QString, descriptionPart);
    HttpTransport transport(shortLimits());
    RecordingSink sink;
    try {
        transport.exchange(get(QUrl(url)), sink);
        QFAIL("no error raised");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.description().contains(descriptionPart), qPrintable(error.description()));
    }
    QCOMPARE(sink.body, QByteArray());
}

void TestTransport::closedMidAnswer()
{
    TestHttpServer server;
    CannedReply reply = CannedReply::ok("<Envelope><Body>");
    reply.closeMidAnswer = true;
    server.setReply("/x", reply);
    HttpTransport transport(shortLimits());
    RecordingSink sink;
    try {
        transport.exchange(get(server.url("/x")), sink);
        QFAIL("a truncated answer was taken as whole");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), ErrorNumber::ConnectionClosed);
        QVERIFY(error.description().contains(server.url("/x").toString()));
    }
}

void TestTransport::stalledServerTimesOut()
{
    TestHttpServer server;
    server.setReply("/x", CannedReply::stalling());
    HttpTransport transport(shortLimits(std::chrono::milliseconds(300)));
    RecordingSink sink;
    QElapsedTimer clock;
    clock.start();
    try {
        transport.exchange(get(server.url("/x")), sink);
        QFAIL("a silent server was not cut off");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), ErrorNumber::Timeout);
        QVERIFY2(error.description().contains(QLatin1String("300 millisekunder")),
                 qPrintable(error.description()));
    }
    QVERIFY(clock.elapsed() >= 290);
    QVERIFY(clock.elapsed() < 5000);
}

void TestTransport::trickleIsCutOffByTotalDeadline()
{
    // Each piece comes well within the time-out; the whole answer does not.
    TestHttpServer server;
    CannedReply reply = CannedReply::ok({});
    for (int i = 0; i < 40; ++i)
        reply.chunks.append("<p/>");
    reply.chunkDelay = std::chrono::milliseconds(50);
    server.setReply("/x", reply);
    HttpTransport transport(shortLimits(std::chrono::milliseconds(400)));
    RecordingSink sink;
    try {
        transport.exchange(get(server.url("/x")), sink);
        QFAIL("a trickling answer ran past the deadline");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), ErrorNumber::Timeout);
    }
    QVERIFY(sink.body.size() < 40 * 4);
}

void TestTransport::sizeCapStopsWhileReading_data()
{
    QTest::addColumn<bool>("announced");
    QTest::newRow("Content-Length over the cap") << true;
    QTest::newRow("chunked, no length") << false;
}

void TestTransport::sizeCapStopsWhileReading()
{
    QFETCH(bool, announced);
    TestHttpServer server;
    CannedReply reply = CannedReply::ok({});
    for (int i = 0; i < 64; ++i)
        reply.chunks.append(bigBody(64 * 1024));
    reply.chunked = !announced;
    server.setReply("/x", reply);
    TransportLimits limits = shortLimits();
    limits.maxAnswerSize = 1024 * 1024;
    HttpTransport transport(limits);
    RecordingSink sink;
    try {
        transport.exchange(get(server.url("/x")), sink);
        QFAIL("an answer over the cap was taken");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), ErrorNumber::AnswerTooLarge);
        QVERIFY(error.description().contains(server.url("/x").toString()));
    }
    // Stopped at the cap, not after reading all 4 MiB.
    QVERIFY(sink.body.size() <= limits.maxAnswerSize);
}

void TestTransport::redirects_data()
{
    QTest::addColumn<int>("hops");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("number"); // 0: success
    QTest::newRow("one 302") << 1 << 302 << 0;
    QTest::newRow("one 301") << 1 << 301 << 0;
    QTest::newRow("three 307") << 3 << 307 << 0;
    // Followed to the hop limit and no further (Qt may send a hop twice on a fresh connection).
    QTest::newRow("a loop") << 1000 << 302 << int(ErrorNumber::UnsafeRedirect);
}

void TestTransport::redirects()
{
    QFETCH(int, hops);
    QFETCH(int, status);
    QFETCH(int, number);
    TestHttpServer server;
    const int served = std::min(hops, 20);
    for (int i = 0; i < served; ++i)
        server.setReply("/r" + QByteArray::number(i),
                        CannedReply::redirect(status, i + 1 < hops ? "/r" + QByteArray::number(i + 1)
                                                                   : QByteArray("/end")));
    if (hops >= 1000)
        server.setReply("/r" + QByteArray::number(served - 1), CannedReply::redirect(status, "/r0"));
    server.setReply("/end", CannedReply::ok("<end/>"));
    HttpTransport transport(shortLimits());
    RecordingSink sink;
    try {
        const HttpResponseHead head = transport.exchange(get(server.url("/r0")), sink);
        QCOMPARE(number, 0);
        QCOMPARE(sink.body, QByteArray("<end/>"));
        QCOMPARE(head.url, server.url("/end"));
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(server.requests().size() <= 20, qPrintable(QString::number(server.requests().size()) + error.description()));
    }
}

void TestTransport::redirectToAnotherSchemeIsRefused()
{
    TestHttpServer server;
    server.setReply("/r", CannedReply::redirect(302, "file:///etc/passwd"));
    HttpTransport transport(shortLimits());
    RecordingSink sink;
    try {
        transport.exchange(get(server.url("/r")), sink);
        QFAIL("followed a redirect off HTTP");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), ErrorNumber::UnsafeRedirect);
        QVERIFY2(error.description().contains(QLatin1String("file:///etc/passwd")), qPrintable(error.description()));
    }
    QVERIFY(sink.body.isEmpty());
}

void TestTransport::sinkErrorEndsExchange()
{
    class Refusing : public BodySink
    {
    public:
        void begin(const HttpResponseHead &) override {}
        void append(const char *, qsizetype) override
        {
            throw RaisedError(ErrorNumber::MalformedXml, QStringLiteral("test"), QStringLiteral("nej"));
        }
    } sink;
    TestHttpServer server;
    CannedReply endless = CannedReply::ok({});
    endless.chunks = {"a", "b"};
    endless.chunkDelay = std::chrono::seconds(30); // the second piece would come far too late
    server.setReply("/x", endless);
    HttpTransport transport(shortLimits(std::chrono::seconds(20)));
    QElapsedTimer clock;
    clock.start();
    try {
        transport.exchange(get(server.url("/x")), sink);
        QFAIL("the sink's error was lost");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), ErrorNumber::MalformedXml);
    }
    QVERIFY(clock.elapsed() < 5000);
}

void TestTransport::callerEventsWaitUntilTheCallReturns()
{
    TestHttpServer server;
    CannedReply slow = CannedReply::ok("<a/>");
    slow.delay = std::chrono::milliseconds(300);
    server.setReply("/x", slow);
    HttpTransport transport(shortLimits());
    bool ticked = false;
    QTimer::singleShot(0, [&ticked] { ticked = true; });
    RecordingSink sink;
    transport.exchange(get(server.url("/x")), sink);
    QVERIFY(!ticked); // the caller's event loop did not run during the exchange
    QTRY_VERIFY(ticked);
}

void TestTransport::transportIsReusableAfterFailure()
{
    TestHttpServer server;
    server.setReply("/stall", CannedReply::stalling());
    server.setReply("/ok", CannedReply::ok("<ok/>"));
    HttpTransport transport(shortLimits(std::chrono::milliseconds(200)));
    RecordingSink first;
    QVERIFY_THROWS_EXCEPTION(RaisedError, transport.exchange(get(server.url("/stall")), first));
    RecordingSink second;
    transport.exchange(get(server.url("/ok")), second);
    QCOMPARE(second.body, QByteArray("<ok/>"));
}

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
