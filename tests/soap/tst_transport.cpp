#include "bodysink.h"
#include "errornumbers.h"
#include "httptransport.h"
#include "raisederror.h"

#include "testhttpserver.h"

#include <QTcpServer>
#include <QTest>

#include <zlib.h>

using namespace soap;
using testsupport::CannedReply;
using testsupport::TestHttpServer;

using Routes = QList<QPair<QByteArray, CannedReply>>;

namespace {

class RecordingSink : public BodySink
{
public:
    void begin(const HttpResponseHead &) override { ++begins; }
    void append(const char *data, qsizetype size) override { body.append(data, size); }
    QByteArray body;
    int begins = 0;
};

TransportLimits limitsOf(int timeoutMs, qint64 cap = 4 * 1024 * 1024)
{
    TransportLimits limits;
    limits.timeout = std::chrono::milliseconds(timeoutMs);
    limits.maxAnswerSize = cap;
    return limits;
}

HttpRequest get(const QUrl &url)
{
    HttpRequest request;
    request.url = url;
    return request;
}

QByteArray gzip(const QByteArray &data)
{
    z_stream stream{};
    // Window bits 15 + 16: the deflate stream in a gzip header and trailer.
    deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray bigBody(qsizetype size)
{
    QByteArray body(size, 'x');
    for (qsizetype i = 0; i < size; i += 1000)
        body[i] = char('a' + (i / 1000) % 26);
    return body;
}

CannedReply inPieces(const QList<QByteArray> &pieces, int delayMs, bool chunked = false)
{
    CannedReply reply = CannedReply::ok({});
    reply.chunks = pieces;
    reply.chunkDelay = std::chrono::milliseconds(delayMs);
    reply.chunked = chunked;
    return reply;
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT
private slots:
    void exchanges_data();
    void exchanges();
    void transportIsReusableAfterFailure();
};

void TestTransport::exchanges_data()
{
    // The request goes to `url` (a path on the test server, or a whole URL); the answer's body on
    // success, or the error's number and a part of its description ("@" stands for the URL).
    QTest::addColumn<QString>("url");
    QTest::addColumn<Routes>("routes");
    QTest::addColumn<int>("number"); // 0: success
    QTest::addColumn<QByteArray>("expected");
    const auto row = [](const char *name, const QString &url, const Routes &routes, int number, const QByteArray &expected) {
        QTest::newRow(name) << url << routes << number << expected;
    };
    const auto at = [](const CannedReply &reply) { return Routes{{"/x", reply}}; };

    const QByteArray big = bigBody(3 * 1024 * 1024 + 17);
    CannedReply gzipped = CannedReply::ok(gzip(big));
    gzipped.headers.append({QByteArray("Content-Encoding"), QByteArray("gzip")});
    const QList<QByteArray> pieces{"<a>", "one", "two", "</a>"};
    row("small", "/x", at(CannedReply::ok("<a/>")), 0, "<a/>");
    row("empty", "/x", at(CannedReply::ok("")), 0, "");
    row("pieces with pauses", "/x", at(inPieces(pieces, 20)), 0, "<a>onetwo</a>");
    row("chunked transfer", "/x", at(inPieces(pieces, 20, true)), 0, "<a>onetwo</a>");
    // Larger than the caller's queue, so the network side has to wait for the caller.
    row("larger than the queue", "/x", at(CannedReply::ok(big)), 0, big);
    row("gzip", "/x", at(gzipped), 0, big);
    // The body of a 500 may hold a SOAP Fault: it is an answer, not an error.
    row("500 is an answer", "/x", at(CannedReply::withStatus(500, "<fault/>")), 0, "<fault/>");
    row("one 301", "/r", {{"/r", CannedReply::redirect(301, "/end")}, {"/end", CannedReply::ok("<end/>")}}, 0, "<end/>");
    row("three 307", "/r", {{"/r", CannedReply::redirect(307, "/r1")}, {"/r1", CannedReply::redirect(307, "/r2")},
                            {"/r2", CannedReply::redirect(307, "/end")}, {"/end", CannedReply::ok("<end/>")}}, 0, "<end/>");

    row("redirect loop", "/r", {{"/r", CannedReply::redirect(302, "/r")}}, ErrorNumber::UnsafeRedirect, "@");
    row("redirect off HTTP", "/r", {{"/r", CannedReply::redirect(302, "file:///etc/passwd")}}, ErrorNumber::UnsafeRedirect,
        "file:///etc/passwd");
    CannedReply cut = CannedReply::ok("<Envelope><Body>");
    cut.closeMidAnswer = true;
    row("closed mid-answer", "/x", at(cut), ErrorNumber::ConnectionClosed, "@");
    // Stopped at the cap while reading, not after all 8 MiB.
    row("over the cap, Content-Length", "/x", at(inPieces(QList<QByteArray>(64, bigBody(128 * 1024)), 0)),
        ErrorNumber::AnswerTooLarge, "@");
    row("over the cap, chunked", "/x", at(inPieces(QList<QByteArray>(64, bigBody(128 * 1024)), 0, true)),
        ErrorNumber::AnswerTooLarge, "@");

    // Heads two readers could read two ways, or without end, are refused.
    auto withFields = [](testsupport::HeaderList fields, bool chunked = false) {
        CannedReply reply = inPieces({"<a/>"}, 0, chunked);
        reply.headers = std::move(fields);
        return Routes{{"/x", reply}};
    };
    row("two lengths", "/x", withFields({{"Content-Length", "40"}}), ErrorNumber::TransportFailure, "@");
    row("length and chunked", "/x", withFields({{"Content-Length", "4"}}, true), ErrorNumber::TransportFailure, "@");
    row("fields without end", "/x", withFields(testsupport::HeaderList(120, {"X-A", "b"})), ErrorNumber::TransportFailure,
        "@");
    row("unknown coding", "/x", withFields({{"Content-Encoding", "br"}}), ErrorNumber::TransportFailure, "br");

    // A port that was free a moment ago: nothing listens there.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString closed = QStringLiteral("http://127.0.0.1:%1/x").arg(probe.serverPort());
    probe.close();
    row("refused", closed, {}, ErrorNumber::CannotConnect, "Kunde inte ansluta till @: anslutningen nekades");
    row("host not found", "http://nosuchhost.invalid/x", {}, ErrorNumber::HostNotFound, "@");
    row("ftp", "ftp://127.0.0.1/x", {}, ErrorNumber::UnsupportedUrl, "@");
    row("file", "file:///etc/passwd", {}, ErrorNumber::UnsupportedUrl, "/etc/passwd");
    row("no url", "", {}, ErrorNumber::UnsupportedUrl, "");
}

void TestTransport::exchanges()
{
    QFETCH(QString, url);
    QFETCH(Routes, routes);
    QFETCH(int, number);
    QFETCH(QByteArray, expected);

    TestHttpServer server;
    for (const auto &route : routes)
        server.setReply(route.first, route.second);
    const QUrl target = url.startsWith(QLatin1Char('/')) ? server.url(url.toLatin1()) : QUrl(url);
    HttpTransport transport(limitsOf(5000));
    RecordingSink sink;
    QElapsedTimer clock;
    clock.start();
    try {
        const HttpResponseHead head = transport.exchange(get(target), sink);
        QCOMPARE(number, 0);
        QCOMPARE(head.status, routes.last().second.status);
        QCOMPARE(head.url, server.url(routes.last().first));
        QCOMPARE(sink.begins, 1);
        QVERIFY(sink.body == expected);
        QVERIFY(server.requests().at(0).header("Accept-Encoding").contains("gzip"));
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        const QString part = QString::fromUtf8(expected).replace(QLatin1Char('@'), target.toString());
        QVERIFY2(error.description().contains(part), qPrintable(error.description()));
    }
    QVERIFY(sink.body.size() <= transport.limits().maxAnswerSize);
    QVERIFY(server.requests().size() <= 20); // a redirect loop ends
    QVERIFY(clock.elapsed() < 5000);
}

void TestTransport::transportIsReusableAfterFailure()
{
    TestHttpServer server;
    server.setReply("/stall", CannedReply::stalling());
    server.setReply("/ok", CannedReply::ok("<ok/>"));
    HttpTransport transport(limitsOf(300));
    RecordingSink first;
    try {
        transport.exchange(get(server.url("/stall")), first);
        QFAIL("a stalled server was waited out");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), ErrorNumber::Timeout);
        QVERIFY2(error.description().contains(QLatin1String("300 millisekunder")), qPrintable(error.description()));
    }
    RecordingSink second;
    transport.exchange(get(server.url("/ok")), second);
    QCOMPARE(second.body, QByteArray("<ok/>"));
}

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
