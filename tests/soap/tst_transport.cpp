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

TransportLimits limitsOf(int timeoutMs, qint64 cap = 0)
{
    TransportLimits limits;
    limits.timeout = std::chrono::milliseconds(timeoutMs);
    if (cap > 0)
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
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<int>("number"); // 0: success
    QTest::addColumn<QByteArray>("expected");

    const QByteArray big = bigBody(3 * 1024 * 1024 + 17);
    CannedReply gzipped = CannedReply::ok(gzip(big));
    gzipped.headers.append({QByteArray("Content-Encoding"), QByteArray("gzip")});
    const QList<QByteArray> pieces{"<a>", "one", "two", "</a>"};
    auto ok = [](const QByteArray &body) { return Routes{{"/x", CannedReply::ok(body)}}; };

    QTest::newRow("small") << "/x" << ok("<a/>") << 5000 << qint64(0) << 0 << QByteArray("<a/>");
    QTest::newRow("empty") << "/x" << ok("") << 5000 << qint64(0) << 0 << QByteArray();
    QTest::newRow("pieces with pauses") << "/x" << Routes{{"/x", inPieces(pieces, 20)}} << 5000 << qint64(0) << 0
                                        << QByteArray("<a>onetwo</a>");
    QTest::newRow("chunked transfer") << "/x" << Routes{{"/x", inPieces(pieces, 20, true)}} << 5000 << qint64(0)
                                      << 0 << QByteArray("<a>onetwo</a>");
    // Larger than the caller's queue, so the network side has to wait for the caller.
    QTest::newRow("larger than the queue") << "/x" << ok(big) << 5000 << qint64(0) << 0 << big;
    QTest::newRow("gzip") << "/x" << Routes{{"/x", gzipped}} << 5000 << qint64(0) << 0 << big;
    // The body of a 500 may hold a SOAP Fault: it is an answer, not an error.
    QTest::newRow("500 is an answer") << "/x" << Routes{{"/x", CannedReply::withStatus(500, "<fault/>")}} << 5000
                                      << qint64(0) << 0 << QByteArray("<fault/>");
    QTest::newRow("one 301") << "/r" << Routes{{"/r", CannedReply::redirect(301, "/end")}, {"/end", CannedReply::ok("<end/>")}}
                             << 5000 << qint64(0) << 0 << QByteArray("<end/>");
    QTest::newRow("three 307")
        << "/r" << Routes{{"/r", CannedReply::redirect(307, "/r1")}, {"/r1", CannedReply::redirect(307, "/r2")},
                          {"/r2", CannedReply::redirect(307, "/end")}, {"/end", CannedReply::ok("<end/>")}}
        << 5000 << qint64(0) << 0 << QByteArray("<end/>");

    QTest::newRow("redirect loop") << "/r" << Routes{{"/r", CannedReply::redirect(302, "/r")}} << 5000 << qint64(0)
                                   << int(ErrorNumber::UnsafeRedirect) << QByteArray("@");
    QTest::newRow("redirect off HTTP") << "/r" << Routes{{"/r", CannedReply::redirect(302, "file:///etc/passwd")}}
                                       << 5000 << qint64(0) << int(ErrorNumber::UnsafeRedirect)
                                       << QByteArray("file:///etc/passwd");
    CannedReply cut = CannedReply::ok("<Envelope><Body>");
    cut.closeMidAnswer = true;
    QTest::newRow("closed mid-answer") << "/x" << Routes{{"/x", cut}} << 5000 << qint64(0)
                                       << int(ErrorNumber::ConnectionClosed) << QByteArray("@");
    QTest::newRow("stalled server") << "/x" << Routes{{"/x", CannedReply::stalling()}} << 300 << qint64(0)
                                    << int(ErrorNumber::Timeout) << QByteArray("300 millisekunder");
    // Stopped at the cap while reading, not after all 4 MiB.
    for (bool chunked : {false, true})
        QTest::addRow("over the cap, %s", chunked ? "chunked" : "Content-Length")
            << "/x" << Routes{{"/x", inPieces(QList<QByteArray>(64, bigBody(64 * 1024)), 0, chunked)}} << 5000
            << qint64(1024 * 1024) << int(ErrorNumber::AnswerTooLarge) << QByteArray("@");

    // Heads two readers could read two ways, or without end, are refused.
    auto withFields = [](QList<QPair<QByteArray, QByteArray>> fields, bool chunked = false) {
        CannedReply reply = inPieces({"<a/>"}, 0, chunked);
        reply.headers = std::move(fields);
        return Routes{{"/x", reply}};
    };
    QTest::newRow("two lengths") << "/x" << withFields({{"Content-Length", "40"}}) << 5000 << qint64(0)
                                 << int(ErrorNumber::TransportFailure) << QByteArray("@");
    QTest::newRow("length and chunked") << "/x" << withFields({{"Content-Length", "4"}}, true) << 5000 << qint64(0)
                                        << int(ErrorNumber::TransportFailure) << QByteArray("@");
    QTest::newRow("fields without end") << "/x" << withFields(QList<QPair<QByteArray, QByteArray>>(120, {"X-A", "b"}))
                                        << 5000 << qint64(0) << int(ErrorNumber::TransportFailure) << QByteArray("@");
    QTest::newRow("unknown coding") << "/x" << withFields({{"Content-Encoding", "br"}}) << 5000 << qint64(0)
                                    << int(ErrorNumber::TransportFailure) << QByteArray("br");

    // A port that was free a moment ago: nothing listens there.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QString closed = QStringLiteral("http://127.0.0.1:%1/x").arg(probe.serverPort());
    probe.close();
    QTest::newRow("refused") << closed << Routes{} << 5000 << qint64(0) << int(ErrorNumber::CannotConnect)
                             << QByteArray("Kunde inte ansluta till @: anslutningen nekades");
    QTest::newRow("host not found") << "http://nosuchhost.invalid/x" << Routes{} << 5000 << qint64(0)
                                    << int(ErrorNumber::HostNotFound) << QByteArray("@");
    QTest::newRow("ftp") << "ftp://127.0.0.1/x" << Routes{} << 5000 << qint64(0) << int(ErrorNumber::UnsupportedUrl)
                         << QByteArray("@");
    QTest::newRow("file") << "file:///etc/passwd" << Routes{} << 5000 << qint64(0)
                          << int(ErrorNumber::UnsupportedUrl) << QByteArray("/etc/passwd");
    QTest::newRow("no url") << "" << Routes{} << 5000 << qint64(0) << int(ErrorNumber::UnsupportedUrl) << QByteArray();
}

void TestTransport::exchanges()
{
    QFETCH(QString, url);
    QFETCH(Routes, routes);
    QFETCH(int, timeoutMs);
    QFETCH(qint64, cap);
    QFETCH(int, number);
    QFETCH(QByteArray, expected);

    TestHttpServer server;
    for (const auto &route : routes)
        server.setReply(route.first, route.second);
    const QUrl target = url.startsWith(QLatin1Char('/')) ? server.url(url.toLatin1()) : QUrl(url);
    HttpTransport transport(limitsOf(timeoutMs, cap));
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
    HttpTransport transport(limitsOf(200));
    RecordingSink first;
    QVERIFY_THROWS_EXCEPTION(RaisedError, transport.exchange(get(server.url("/stall")), first));
    RecordingSink second;
    transport.exchange(get(server.url("/ok")), second);
    QCOMPARE(second.body, QByteArray("<ok/>"));
}

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
