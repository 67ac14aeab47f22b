#include "auditcsv.h"
#include "dataset.h"
#include "datasetparser.h"
#include "httpexchange.h"
#include "livenight.h"
#include "reporters.h"
#include "reportstore.h"
#include "resultsserverthread.h"
#include "storelocation.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Reporters of the table: Anna may report Stockholm's county (01), Bo every county and declare
// counts final. The name with quotes goes into SQL as a parameter like any other.
const QByteArray Anna = "anna-token";
const QByteArray Bo = "bo-token";
const QByteArray Quote = "quote-token";

QString line(const char *name, const QByteArray &token, const char *counties, const char *role)
{
    return QStringList{QString::fromUtf8(name), QString::fromLatin1(Reporters::hashOf(token).toHex()),
                       QString::fromLatin1(counties), QString::fromLatin1(role)}.join(u'\t');
}

struct Request
{
    QString method;
    QString path;
    QByteArray token;
    QByteArray body;
};

struct Reply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
};

// The token as the Authorization header carries it, unless the row writes the header itself.
QByteArray authorization(const QByteArray &token)
{
    return token.isEmpty() || token.contains(' ') ? token : "Bearer " + token;
}

QByteArray raw(const Request &r)
{
    QByteArray head = r.method.toLatin1() + ' ' + r.path.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!r.token.isEmpty())
        head += "Authorization: " + authorization(r.token) + "\r\n";
    return head + "Content-Length: " + QByteArray::number(r.body.size()) + "\r\nConnection: close\r\n\r\n" + r.body;
}

Reply replyOf(const QByteArray &answer)
{
    const qsizetype end = answer.indexOf("\r\n\r\n");
    return Reply{answer.mid(9, 3).toInt(), answer.left(end), end < 0 ? QByteArray() : answer.mid(end + 4)};
}

// A live night on the bundled data, its store and reporters in `dir`, serving on threads of its own.
std::unique_ptr<ResultsServerThread> liveNight(const QTemporaryDir &dir, ProgramOptions options = {})
{
    QFile file(dir.filePath(QStringLiteral("reporters.tsv")));
    if (!file.open(QIODevice::WriteOnly))
        return nullptr;
    file.write(QStringList{line("Anna", Anna, "01", "reporter"), line("Bo", Bo, "*", "admin"),
                           line("O'Brien \"; DROP TABLE audit; --", Quote, "01", "reporter")}.join(u'\n').toUtf8());
    file.close();
    options.service.liveNight = true;
    options.logRequests = false;
    options.service.store = dir.filePath(QStringLiteral("night.sqlite"));
    options.service.reportersFile = file.fileName();
    return std::make_unique<ResultsServerThread>(options);
}

Reply send(const ResultsServerThread &night, const Request &r, int timeoutMs = 5000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(night.intakeUrl().section(u':', -1).toUInt()));
    if (!socket.waitForConnected(5000))
        return {};
    return replyOf(HttpExchange::answer(socket, raw(r), timeoutMs));
}

} // namespace

Q_DECLARE_METATYPE(Request)

// One live night per row, on a store of its own: a request (after any that set the scene) and
// what it must get, and how many audit records it must leave.
class TestIntake : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requests_data();
    void requests();
    void storeBusy();
    void tls();
    void metrics();
    void auditCsv();

private:
    DataSet m_data = DataSetParser::bundled();
};

void TestIntake::requests_data()
{
    QTest::addColumn<QList<Request>>("before");
    QTest::addColumn<Request>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");     // in the answer's JSON
    QTest::addColumn<int>("records");      // audit records it adds, the last of this kind and status
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("counted");      // districts counted afterwards

    const QByteArray figures = R"({"yes":100,"no":80,"blank":5,"invalid":2})";
    const QByteArray other = R"({"yes":101,"no":80,"blank":5,"invalid":2})";
    const Request put{"PUT", "/reports/0114/1", Anna, figures};
    auto with = [](Request r, QByteArray body) { r.body = std::move(body); return r; };
    auto as = [](Request r, QByteArray token) { r.token = std::move(token); return r; };
    auto at = [](Request r, QString path) { r.path = std::move(path); return r; };
    auto row = [](const char *name, QList<Request> before, Request r, int status, const char *says, int records, int counted) {
        // A 200 says which it was: an identical repeat, a correction or a declaration.
        QString kind = status == 201 ? "new" : status >= 400 ? "refused" : "identical";
        for (const char *other : {"correction", "final"})
            kind = status == 200 && QByteArray(says).contains(other) ? other : kind;
        QTest::newRow(name) << before << r << status << QString::fromUtf8(says) << records << kind << counted;
    };

    row("new", {}, put, 201, "\"result\":\"new\"", 1, 1);
    row("bearer in any case", {}, as(put, "  bEaReR anna-token"), 201, "new", 1, 1);
    row("no token", {}, as(put, {}), 401, "Bearer", 1, 0);
    row("wrong token", {}, as(put, "Bearer anna-tokeN"), 401, "nyckel", 1, 0);
    row("token hash as token", {}, as(put, "Bearer " + Reporters::hashOf(Anna).toHex()), 401, "nyckel", 1, 0);
    row("basic scheme", {}, as(put, "Basic YW5uYTp4"), 401, "nyckel", 1, 0);
    row("other county", {}, at(put, "/reports/0305/1"), 403, "län 03", 1, 0);
    row("any county", {}, as(at(put, "/reports/0305/1"), "Bearer bo-token"), 201, "new", 1, 1);
    row("no such district", {}, at(put, "/reports/0114/999"), 404, "Distrikt '999'", 1, 0);
    row("district 0", {}, at(put, "/reports/0114/0"), 404, "Distrikt", 1, 0);
    row("no such municipality", {}, at(put, "/reports/0199/1"), 404, "Distrikt", 1, 0);
    row("no such county", {}, at(put, "/reports/9914/1"), 404, "Kommunen '9914'", 1, 0);
    row("district not a number", {}, at(put, "/reports/0114/1e3"), 404, "Distrikt", 1, 0);
    row("negative", {}, with(put, R"({"yes":100,"no":-1,"blank":5,"invalid":2})"), 422, "\"field\":\"no\"", 1, 0);
    row("fraction", {}, with(put, R"({"yes":100.5,"no":1,"blank":5,"invalid":2})"), 422, "\"field\":\"yes\"", 1, 0);
    row("exponent", {}, with(put, R"({"yes":1e2,"no":1,"blank":5,"invalid":2})"), 422, "\"field\":\"yes\"", 1, 0);
    row("string figure", {}, with(put, R"({"yes":"100","no":1,"blank":5,"invalid":2})"), 422, "\"field\":\"yes\"", 1, 0);
    row("huge", {}, with(put, R"({"yes":1000000000000000000000,"no":1,"blank":5,"invalid":2})"), 422, "\"field\":\"yes\"", 1, 0);
    row("missing", {}, with(put, R"({"yes":1,"no":1,"blank":5})"), 422, "\"field\":\"invalid\"", 1, 0);
    row("twice", {}, with(put, R"({"yes":1,"no":1,"no":2,"blank":5,"invalid":0})"), 422, "\"field\":\"no\"", 1, 0);
    row("unknown member", {}, with(put, R"({"yes":1,"no":1,"blank":5,"invalid":0,"ja');--":3})"), 422, "\"field\":\"ja');--\"", 1, 0);
    row("nested", {}, with(put, QByteArray(R"({"yes":)") + QByteArray(100000, '[')), 422, "\"field\":\"yes\"", 1, 0);
    row("above electorate", {}, with(put, R"({"yes":999999999,"no":0,"blank":0,"invalid":0})"), 422, "röstberättigade", 1, 0);
    row("not JSON", {}, with(put, "yes=1"), 400, "JSON", 1, 0);
    row("after the object", {}, with(put, figures + "{}"), 400, "JSON", 1, 0);
    row("leading zero", {}, with(put, R"({"yes":0100,"no":1,"blank":5,"invalid":2})"), 400, "JSON", 1, 0);
    row("surrogate pair", {put}, with(put, R"({"yes":1,"no":1,"blank":5,"invalid":2,"correction":"\ud800\udc00 \u00e5"})"), 200,
        "correction", 1, 1);
    row("lone surrogate", {}, with(put, R"({"yes":1,"no":1,"blank":5,"invalid":2,"correction":"\ud800"})"), 400, "JSON", 1, 0);
    row("identical repeat", {put}, put, 200, "identical", 1, 1);
    row("conflict", {put}, with(put, other), 409, "\"reported\":{\"blank\":5,\"invalid\":2,\"no\":80,\"yes\":100}", 1, 1);
    row("correction", {put}, with(put, R"({"yes":101,"no":80,"blank":5,"invalid":2,"correction":"omräkning"})"), 200,
        "correction", 1, 1);
    const QByteArray longest = R"({"yes":101,"no":80,"blank":5,"invalid":2,"correction":")" + QByteArray(500, 'x') + "\"}";
    row("correction, longest reason", {put}, with(put, longest), 200, "correction", 1, 1);
    row("correction, reason too long", {put}, with(put, QByteArray(longest).replace("xx\"", "xxx\"")), 422, "correction", 1, 1);
    row("correction with a bell", {put}, with(put, R"({"yes":101,"no":80,"blank":5,"invalid":2,"correction":"ring\u0007"})"),
        422, "correction", 1, 1);
    row("correction without reason", {put}, with(put, R"({"yes":101,"no":80,"blank":5,"invalid":2,"correction":" "})"),
        422, "correction", 1, 0 + 1);
    const Request batch{"POST", "/reports", Anna, "municipality,district,yes,no,blank,invalid\r\n0114,1,1,2,3,4\r\n\"0114\",2,5,6,7,8\r\n"};
    row("batch", {}, batch, 201, "\"new\":2", 2, 2);
    row("batch repeated", {batch}, batch, 200, "\"identical\":2", 2, 2);
    row("batch over a report", {put}, batch, 409, "\"line\":2", 1, 1);
    row("batch, third line bad", {}, with(batch, batch.body + "0114,999,1,1,1,1\n"), 404, "\"line\":4", 1, 0);
    row("batch, other county", {}, with(batch, batch.body + "0305,1,1,1,1,1\n"), 403, "\"line\":4", 1, 0);
    row("batch, district twice", {}, with(batch, batch.body + "0114,1,1,2,3,5\n"), 409, "\"line\":4", 1, 0);
    row("batch, negative", {}, with(batch, batch.body + "0114,3,1,-2,3,5\n"), 422, "\"line\":4", 1, 0);
    row("batch, short line", {}, with(batch, batch.body + "0114,3,1\n"), 422, "\"line\":4", 1, 0);
    row("batch, a line of commas", {}, with(batch, batch.body + QByteArray(500000, ',')), 422, "fler än 6 fält", 1, 0);
    row("batch, header", {}, with(batch, "kommun,distrikt,ja,nej,blanka,ogiltiga\n0114,1,1,2,3,4\n"), 422, "\"line\":1", 1, 0);
    row("batch, only header", {}, with(batch, "municipality,district,yes,no,blank,invalid\n"), 422, "inga rapporter", 1, 0);
    row("batch, unknown token", {}, as(batch, "Bearer x"), 401, "nyckel", 1, 0);
    const Request final{"POST", "/final/01", Bo, {}};
    row("final", {put}, final, 200, "\"county\":\"01\",\"result\":\"final\"", 1, 1);
    row("final, country", {}, at(final, "/final/00"), 200, "final", 1, 0);
    row("final, reporter", {}, as(final, "Bearer anna-token"), 403, "admin", 1, 0);
    row("final, no such county", {}, at(final, "/final/99"), 404, "99", 1, 0);
    // SQL metacharacters in every field a client writes, and in a reporter's name: stored as text.
    row("SQL in the path", {}, at(put, "/reports/0114';DROP%20TABLE%20audit;--/1"), 404, "Kommunen", 1, 0);
    row("SQL in the district", {}, at(put, "/reports/0114/1'%20OR%20'1'='1"), 404, "Distrikt", 1, 0);
    row("SQL in a reason", {put}, with(put, R"({"yes":1,"no":1,"blank":1,"invalid":1,"correction":"x'); DELETE FROM audit; --"})"),
        200, "correction", 1, 1);
    row("SQL in a name", {}, as(put, "Bearer quote-token"), 201, "new", 1, 1);
    row("SQL in a CSV field", {}, with(batch, "municipality,district,yes,no,blank,invalid\n\"0114'--\",1,1,1,1,1\n"), 422, "\"line\":2", 1, 0);
    row("wrong method", {}, Request{"GET", "/reports/0114/1", Anna, {}}, 405, "PUT", 0, 0);
    row("no such page", {}, Request{"PUT", "/report/0114/1", Anna, figures}, 404, "finns inte", 0, 0);
}

void TestIntake::requests()
{
    QFETCH(QList<Request>, before);
    QFETCH(Request, request);
    QFETCH(int, status);
    QFETCH(QString, says);
    QFETCH(int, records);
    QFETCH(QString, kind);
    QFETCH(int, counted);

    QTemporaryDir dir;
    const auto night = liveNight(dir);
    const auto store = StoreLocation::open(dir.filePath(QStringLiteral("night.sqlite")), ReportStore::Access::ReadOnly);
    for (const Request &r : before)
        QVERIFY(send(*night, r).status < 300);
    const auto recordsBefore = store->readAfter(0, 1000).size();
    const qint64 sent = QDateTime::currentMSecsSinceEpoch();
    const Reply answer = send(*night, request);
    QVERIFY2(answer.body.contains(says.toUtf8()), answer.body.constData());
    QCOMPARE(answer.status, status);
    const auto trail = store->readAfter(0, 1000);
    QCOMPARE(int(trail.size() - recordsBefore), records);
    if (records > 0) {
        QCOMPARE(AuditRecord::kindName(trail.back().kind), kind);
        QCOMPARE(trail.back().status, status);
        QCOMPARE(trail.back().client, QStringLiteral("127.0.0.1"));
        QVERIFY(trail.back().atMs >= sent && trail.back().atMs <= QDateTime::currentMSecsSinceEpoch());
    }
    if (status == 405)
        QVERIFY(answer.head.contains("\r\nAllow: PUT"));
    if (status == 401)
        QVERIFY(answer.head.contains("\r\nWWW-Authenticate: Bearer"));
    // What /status shows once the count has taken it in: districts counted, declared counties
    // (the county, or with the country every county) and the country.
    auto operatorView = [&] {
        const auto body = QJsonDocument::fromJson(send(*night, Request{"GET", "/status", {}, {}}).body).object();
        int finals = 0;
        for (const auto county : body.value(QStringLiteral("counties")).toArray())
            finals += county.toObject().value(QStringLiteral("final")).toBool();
        return QStringLiteral("%1 of %2, %3 final, country %4")
                .arg(body.value(QStringLiteral("readyDistricts")).toInt())
                .arg(body.value(QStringLiteral("allDistricts")).toInt())
                .arg(finals)
                .arg(body.value(QStringLiteral("final")).toBool());
    };
    const bool declared = request.path.startsWith(u"/final/") && status == 200;
    const bool country = declared && request.path.endsWith(u"/00");
    // Past the step in which answers change, so that what should not count has had its chance.
    QTest::qWait(int(LiveNight::PublishStep.count()) + 50);
    QTRY_COMPARE(operatorView(), QStringLiteral("%1 of %2, %3 final, country %4")
                                         .arg(counted)
                                         .arg(m_data.districtCount())
                                         .arg(!declared ? 0 : country ? 21 : 1)
                                         .arg(country));
}

void TestIntake::storeBusy()
{
    // A store that cannot be written keeps nothing and answers 503; the same report sent again
    // once it can is new.
    QTemporaryDir dir;
    const auto night = liveNight(dir);
    const Request put{"PUT", "/reports/0114/1", Anna, R"({"yes":100,"no":80,"blank":5,"invalid":2})"};
    {
        const auto other = StoreLocation::open(dir.filePath(QStringLiteral("night.sqlite")));
        const auto holding = other->begin();    // the write lock, until it goes
        const Reply refused = send(*night, put, 15000);
        QCOMPARE(refused.status, 503);
        QVERIFY(refused.head.contains("\r\nRetry-After: "));
    }
    QCOMPARE(send(*night, put).status, 201);
    const auto trail = StoreLocation::open(dir.filePath(QStringLiteral("night.sqlite")))->readAfter(0, 10);
    QCOMPARE(trail.size(), std::size_t(1));
}

void TestIntake::tls()
{
    // With a certificate the intake speaks TLS only: a client that trusts it reports, one that
    // speaks plain HTTP gets no answer.
    QTemporaryDir dir;
    QProcess openssl;
    openssl.setWorkingDirectory(dir.path());
    openssl.start(QStringLiteral("openssl"), {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                                              "-nodes", "-keyout", "key.pem", "-out", "cert.pem", "-days", "1",
                                              "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0)
        QSKIP("openssl could not make a certificate");
    ProgramOptions options;
    options.intakeTlsCert = dir.filePath(QStringLiteral("cert.pem"));
    options.intakeTlsKey = dir.filePath(QStringLiteral("key.pem"));
    const auto night = liveNight(dir, options);
    QVERIFY(night->intakeUrl().startsWith(u"https://127.0.0.1:"));
    const auto port = quint16(night->intakeUrl().section(u':', -1).toUInt());

    QSslSocket client;
    QSslConfiguration trust = QSslConfiguration::defaultConfiguration();
    trust.setCaCertificates(QSslCertificate::fromPath(options.intakeTlsCert));
    client.setSslConfiguration(trust);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    QVERIFY2(client.waitForEncrypted(5000), qPrintable(client.errorString()));
    const Request put{"PUT", "/reports/0114/1", Anna, R"({"yes":100,"no":80,"blank":5,"invalid":2})"};
    QCOMPARE(replyOf(HttpExchange::answer(client, raw(put))).status, 201);

    QTcpSocket plain;
    plain.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(plain.waitForConnected(5000));
    QVERIFY(!HttpExchange::answer(plain, raw(put)).startsWith("HTTP/"));
}

void TestIntake::metrics()
{
    // The metrics as Prometheus's own parser reads them, with what one report and one refusal left.
    QTemporaryDir dir;
    const auto night = liveNight(dir);
    QCOMPARE(send(*night, Request{"PUT", "/reports/0114/1", Anna, R"({"yes":1,"no":2,"blank":3,"invalid":4})"}).status, 201);
    QCOMPARE(send(*night, Request{"PUT", "/reports/0114/1", {}, {}}).status, 401);
    QCOMPARE(send(*night, Request{"PUT", "/reports/0114/1", Anna, QByteArray(2 * 1024 * 1024, ' ')}).status, 413);
    const Reply metrics = send(*night, Request{"GET", "/metrics", {}, {}});
    QCOMPARE(metrics.status, 200);
    QVERIFY(metrics.head.contains("text/plain; version=0.0.4"));
    QProcess parser;
    parser.start(QStringLiteral("/usr/bin/python3"), {"-c", "import sys\n"
                                                            "from prometheus_client.parser import text_string_to_metric_families as parse\n"
                                                            "for f in parse(sys.stdin.read()):\n"
                                                            "    for s in f.samples:\n"
                                                            "        print(f.type, s.name, sorted(s.labels.items()), s.value)\n"});
    parser.write(metrics.body);
    parser.closeWriteChannel();
    QVERIFY(parser.waitForFinished(20000));
    if (parser.exitCode() != 0 && parser.readAllStandardError().contains("No module named"))
        QSKIP("python3-prometheus-client is missing");
    QCOMPARE(parser.exitCode(), 0);
    const QString samples = QString::fromUtf8(parser.readAllStandardOutput());
    for (const char *expected : {
             "counter ksv_http_requests_total [('route', '/reports/{municipality}/{district}'), ('server', 'intake'), ('status', '201')] 1.0",
             "counter ksv_reports_total [('outcome', 'new'), ('reason', '')] 1.0",
             "counter ksv_reports_total [('outcome', 'refused'), ('reason', 'unauthenticated')] 1.0",
             "counter ksv_http_refusals_total [('reason', '413'), ('server', 'intake')] 1.0",
             "histogram ksv_store_commit_seconds_count [] 2.0",
             "histogram ksv_http_request_seconds_bucket [('le', '+Inf'), ('route', '/reports/{municipality}/{district}'), ('server', 'intake')] 2.0",
             "gauge ksv_http_open_connections [('server', 'intake')] 1.0",
             "gauge ksv_http_open_connections [('server', 'soap')] 0.0",
             "counter ksv_log_lines_dropped_total [('server', 'soap')] 0.0"})
        QVERIFY2(samples.contains(QString::fromLatin1(expected)), expected);
}

void TestIntake::auditCsv()
{
    // What clients wrote, quoted where it must be and never a formula in a spreadsheet.
    AuditRecord r;
    r.seq = 7;
    r.kind = AuditRecord::Kind::Correction;
    r.status = 200;
    r.reporter = QStringLiteral("O'Brien, \"Bo\"");
    r.client = QStringLiteral("::1");
    r.request = QStringLiteral("PUT /reports/0114/1");
    r.area = QStringLiteral("0114");
    r.district = 1;
    r.votes = AuditRecord::Votes{1, 2, 3, 4};
    r.reason = QStringLiteral("=HYPERLINK(\"x\")");
    const QByteArray line = AuditCsv::line(r);
    QVERIFY2(line.startsWith("7,") && line.contains(",correction,200,\"O'Brien, \"\"Bo\"\"\",::1,PUT /reports/0114/1,0114,1,1,2,3,4,"
                                                     "\"'=HYPERLINK(\"\"x\"\")\"\r\n"), line.constData());
}

QTEST_MAIN(TestIntake)
#include "tst_intake.moc"
