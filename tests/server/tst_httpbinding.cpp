#include "dataseterror.h"
#include "httpbinding.h"
#include "httpexchange.h"
#include "ksv_config.h"
#include "resultsserverthread.h"
#include "resultsservice.h"
#include "soapanswer.h"
#include "soapcall.h"

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray wsdlPath = KSV_WSDL_PATH;

QByteArray countryCall(const QString &operation = QStringLiteral("getCountryResultsValnatt"))
{
    return SoapCall::post(SoapCall::of(operation));
}

SoapAnswer::Record country(quint16 port, const QString &operation = QStringLiteral("getCountryResultsValnatt"))
{
    const auto records = SoapAnswer::read(HttpExchange::to(port, countryCall(operation)).body).records;
    return records.empty() ? SoapAnswer::Record() : records.front();
}

ServiceOptions quiet()
{
    ServiceOptions options;
    options.logRequests = false;
    return options;
}

} // namespace

class TestHttpBinding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void statuses_data();
    void statuses();
    void closesConnection_data();
    void closesConnection();
    void keepAlive();
    void severalAtOnceEachStoppingInItsDestructor();
    void optionsReachTheService_data();
    void optionsReachTheService();
    void clockResumesWhereItStood();
    void dataFileReplacesBundledData();

private:
    std::unique_ptr<ResultsServerThread> m_server;
};

void TestHttpBinding::initTestCase()
{
    ServiceOptions options = quiet();
    options.frozenAt = 15min;
    m_server = std::make_unique<ResultsServerThread>(options);
    QCOMPARE(m_server->wsdlUrl(), QStringLiteral("http://127.0.0.1:%1" KSV_WSDL_PATH).arg(m_server->port()));
}

void TestHttpBinding::statuses_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("detail");    // 405: the Allow header; otherwise in the XML answer, if given
    const QByteArray endpoint = ResultsService::endpointPath().toUtf8();
    const QByteArray rest = " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n";
    QByteArray atCap = SoapCall::of("getCountryResultsValnatt");
    atCap.insert(atCap.indexOf("<SOAP-ENV:Body>"), QByteArray(HttpBinding::maxBodySize - atCap.size(), ' '));
    // The WSDL's endpoint follows the Host the request came to, when that is a host and port.
    const QByteArray own = "127.0.0.1:" + QByteArray::number(m_server->port());
    auto wsdl = [&](const char *name, const QByteArray &host, const QByteArray &expected, const QByteArray &query = {}) {
        QTest::newRow(name) << "GET " + wsdlPath + query + " HTTP/1.1\r\n" + host + "\r\n" << 200
                            << "location=\"http://" + expected + ResultsService::endpointPath().toUtf8() + '"';
    };
    wsdl("WSDL, address and port", "Host: " + own + "\r\n", own);
    wsdl("WSDL with query", "Host: " + own + "\r\n", own, "?wsdl");
    wsdl("WSDL, name and other port", "Host: results.example:8803\r\n", "results.example:8803");
    wsdl("WSDL, name only", "Host: localhost\r\n", "localhost");
    wsdl("WSDL, IPv6", "Host: [::1]:8803\r\n", "[::1]:8803");
    wsdl("WSDL, no Host", "", own);
    wsdl("WSDL, markup in Host", "Host: a\"><x y=\"\r\n", own);
    wsdl("WSDL, path in Host", "Host: evil.example/x?\r\n", own);
    QTest::newRow("call") << countryCall() << 200 << QByteArray("getCountryResultsValnattResponse");
    QTest::newRow("body at the cap") << SoapCall::post(atCap) << 200 << QByteArray("getCountryResultsValnattResponse");
    QTest::newRow("unknown operation") << countryCall("getEverything") << 500 << QByteArray("Okänd operation");
    QTest::newRow("not XML") << SoapCall::post("hello") << 500 << QByteArray("Felaktig XML");
    QTest::newRow("empty POST") << "POST " + endpoint + rest << 500 << QByteArray("Begäran är tom");
    QTest::newRow("POST to WSDL") << "POST " + wsdlPath + rest << 405 << QByteArray("GET, HEAD");
    QTest::newRow("GET endpoint") << "GET " + endpoint + rest << 405 << QByteArray("POST");
    QTest::newRow("wrong path") << "GET /emu2003/webservices/Other.wsdl" + rest << 404 << QByteArray();
    QTest::newRow("root") << "GET /" + rest << 404 << QByteArray();
    QTest::newRow("POST elsewhere") << SoapCall::post(SoapCall::of("getCountryResultsValnatt"), "/soap") << 404 << QByteArray();
    QTest::newRow("WSDL path case") << "GET " + wsdlPath.toLower() + rest << 404 << QByteArray();
}

void TestHttpBinding::statuses()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QByteArray, detail);
    const HttpExchange answer = HttpExchange::to(m_server->port(), request);
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.headers.value("allow"), status == 405 ? detail : QByteArray());
    if (status != 405 && !detail.isEmpty()) {
        QVERIFY(answer.headers.value("content-type").startsWith("text/xml"));
        QVERIFY2(answer.body.contains(detail), answer.body.left(300).constData());
    }
}

void TestHttpBinding::closesConnection_data()
{
    // Refusals come from the head alone, without the body ever arriving.
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("status");
    const QByteArray start = "POST " + ResultsService::endpointPath().toUtf8() + " HTTP/1.1\r\nHost: x\r\n";
    QTest::newRow("declared one over the cap")
            << start + "Content-Length: " + QByteArray::number(HttpBinding::maxBodySize + 1) + "\r\n\r\n" << 413;
    QTest::newRow("expect continue") << start + "Expect: 100-continue\r\nContent-Length: 999999\r\n\r\n" << 413;
    QTest::newRow("chunked") << start + "Transfer-Encoding: chunked\r\n\r\n" << 411;
    QTest::newRow("bad length") << start + "Content-Length: lots\r\n\r\n" << 400;
    QTest::newRow("negative length") << start + "Content-Length: -1\r\n\r\n" << 400;
    QTest::newRow("huge header") << start + "X-Padding: " + QByteArray(HttpBinding::maxHeaderSize + 10, 'a') << 431;
    QTest::newRow("client asks") << "GET " + wsdlPath + " HTTP/1.1\r\nHost: x\r\nConnection: Close\r\n\r\n" << 200;
}

void TestHttpBinding::closesConnection()
{
    QFETCH(QByteArray, head);
    QFETCH(int, status);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    const HttpExchange answer = HttpExchange::over(socket, head);
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.headers.value("connection"), QByteArray("close"));
    // Later bytes are not taken as a new request...
    socket.write("GET " + wsdlPath + " HTTP/1.1\r\nHost: x\r\n\r\n");
    QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(5000));
    QVERIFY(!socket.readAll().contains("HTTP/1.1 200"));
    // ...and the server carries on with other clients.
    QCOMPARE(HttpExchange::to(m_server->port(), countryCall()).status, 200);
}

void TestHttpBinding::keepAlive()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(countryCall() + countryCall("getCountryResultsSlutsam"));
    QByteArray received;
    while (received.count("HTTP/1.1 200") < 2 || !received.trimmed().endsWith("Envelope>")) {
        QVERIFY(socket.waitForReadyRead(5000));
        received += socket.readAll();
    }
    QCOMPARE(received.count("HTTP/1.1 200"), 2);
    QVERIFY(received.indexOf("getCountryResultsValnattResponse") < received.indexOf("getCountryResultsSlutsamResponse"));
    // A HEAD answer sends nothing stray after its head: the GET after it is read right.
    const HttpExchange head = HttpExchange::over(socket, "HEAD " + wsdlPath + " HTTP/1.1\r\nHost: 127.0.0.1:1\r\n\r\n", true);
    QCOMPARE(head.status, 200);
    QVERIFY(head.body.isEmpty());
    const HttpExchange get = HttpExchange::over(socket, "GET " + wsdlPath + " HTTP/1.1\r\nHost: 127.0.0.1:1\r\n\r\n");
    QCOMPARE(get.status, 200);
    QCOMPARE(head.headers.value("content-length").toLongLong(), get.body.size());
    // A client that waits for 100 Continue before its body gets it.
    const QByteArray body = SoapCall::of("getCountryResultsValnatt");
    socket.write("POST " + ResultsService::endpointPath().toUtf8() + " HTTP/1.1\r\nHost: x\r\n"
                 "Expect: 100-continue\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
    QVERIFY(socket.waitForReadyRead(5000));
    QCOMPARE(socket.readAll(), QByteArray("HTTP/1.1 100 Continue\r\n\r\n"));
    QVERIFY(HttpExchange::over(socket, body).body.contains("getCountryResultsValnattResponse"));
}

void TestHttpBinding::severalAtOnceEachStoppingInItsDestructor()
{
    auto a = std::make_unique<ResultsServerThread>(quiet());
    ResultsServerThread b(quiet());
    a->setElapsed(0ms);
    b.setElapsed(30min);
    QCOMPARE(country(a->port())["readyDistricts"], QStringLiteral("0"));
    const auto fromB = country(b.port());
    QCOMPARE(fromB["readyDistricts"], fromB["allDistricts"]);

    const quint16 port = a->port();
    a.reset();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!socket.waitForConnected(2000));
    QCOMPARE(socket.error(), QAbstractSocket::ConnectionRefusedError);
    QVERIFY(!country(b.port()).isEmpty());
}

void TestHttpBinding::optionsReachTheService_data()
{
    QTest::addColumn<bool>("finalCount");
    QTest::addColumn<int>("nightMinutes");
    QTest::addColumn<int>("elapsedSeconds");
    QTest::addColumn<bool>("complete");
    QTest::newRow("night, start") << false << 30 << 0 << false;
    QTest::newRow("final from the start") << true << 30 << 0 << true;
    QTest::newRow("short night, over") << false << 1 << 60 << true;
    QTest::newRow("long night, an hour in") << false << 120 << 3600 << false;
}

void TestHttpBinding::optionsReachTheService()
{
    QFETCH(bool, finalCount);
    QFETCH(int, nightMinutes);
    QFETCH(int, elapsedSeconds);
    QFETCH(bool, complete);
    ServiceOptions options = quiet();
    options.finalCount = finalCount;
    options.nightMinutes = nightMinutes;
    options.frozenAt = std::chrono::seconds(elapsedSeconds);
    ResultsServerThread server(options);
    const auto record = country(server.port());
    QVERIFY(!record.isEmpty());
    QCOMPARE(record["readyDistricts"] == record["allDistricts"], complete);
}

void TestHttpBinding::clockResumesWhereItStood()
{
    ResultsServerThread server(quiet());
    server.setElapsed(5min);
    QTest::qWait(20);
    QCOMPARE(server.service().clock().elapsed(), std::chrono::milliseconds(5min));
    server.resumeClock();
    const auto first = server.service().clock().elapsed();
    QVERIFY(first >= 5min && first < 5min + 1s);
    QTRY_VERIFY(server.service().clock().elapsed() > first);
}

void TestHttpBinding::dataFileReplacesBundledData()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("two.tsv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("type\tcode\tname\tdistricts\telectorate\tyes\tno\tblank\tinvalid\n"
               "county\t02\tProvlän\n"
               "municipality\t0201\tEtta\t2\t1000\t300\t500\t20\t5\n"
               "county\t30\tTestlän\n"
               "municipality\t3001\tTvåa\t1\t10\t1\t2\t0\t0\n");
    file.close();
    ServiceOptions options = quiet();
    options.dataFile = file.fileName();
    {
        ResultsServerThread server(options);
        const auto record = country(server.port(), "getCountryResultsSlutsam");
        // 301 yes of 823 valid votes, 828 cast of 1010 voters, in 3 districts
        QCOMPARE(record["allDistricts"] + ' ' + record["yesNum"] + ' ' + record["yesPerc"] + ' ' + record["turnoutPerc"],
                 QStringLiteral("3 301 36,6 82,0"));
    }
    options.dataFile = dir.filePath("missing.tsv");
    QVERIFY_THROWS_EXCEPTION(DataSetError, ResultsServerThread server(options));
}

QTEST_MAIN(TestHttpBinding)
#include "tst_httpbinding.moc"
