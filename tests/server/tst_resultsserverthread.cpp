#include "dataseterror.h"
#include "httpexchange.h"
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

SoapAnswer::Record country(quint16 port, const char *operation = "getCountryResultsValnatt")
{
    const auto records = SoapAnswer::read(HttpExchange::to(port, SoapCall::post(SoapCall::of(operation))).body).records;
    return records.empty() ? SoapAnswer::Record() : records.front();
}

ServiceOptions quiet()
{
    ServiceOptions options;
    options.logRequests = false;
    return options;
}

} // namespace

class TestResultsServerThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopsInDestructor();
    void severalAtOnceWithTheirOwnClocks();
    void optionsReachTheService_data();
    void optionsReachTheService();
    void clockResumesWhereItStood();
    void dataFileReplacesBundledData();
};

void TestResultsServerThread::stopsInDestructor()
{
    quint16 port = 0;
    {
        ResultsServerThread server(quiet());
        port = server.port();
        QVERIFY(!country(port).isEmpty());
    }
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!socket.waitForConnected(2000));
    QCOMPARE(socket.error(), QAbstractSocket::ConnectionRefusedError);
}

void TestResultsServerThread::severalAtOnceWithTheirOwnClocks()
{
    ResultsServerThread a(quiet());
    ResultsServerThread b(quiet());
    QVERIFY(a.port() != b.port());
    a.setElapsed(0ms);
    b.setElapsed(30min);
    QCOMPARE(country(a.port())["readyDistricts"], QStringLiteral("0"));
    const auto fromB = country(b.port());
    QCOMPARE(fromB["readyDistricts"], fromB["allDistricts"]);
}

void TestResultsServerThread::optionsReachTheService_data()
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

void TestResultsServerThread::optionsReachTheService()
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

void TestResultsServerThread::clockResumesWhereItStood()
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

void TestResultsServerThread::dataFileReplacesBundledData()
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
        const QByteArray body = HttpExchange::to(server.port(), SoapCall::post(SoapCall::of("getCountryResultsSlutsam"))).body;
        const auto records = SoapAnswer::read(body).records;
        QCOMPARE(records.size(), std::size_t(3));
        QCOMPARE(records[1]["name"], QStringLiteral("Provlän"));
        QCOMPARE(records[2]["code"], QStringLiteral("30"));
        QCOMPARE(records[0]["allDistricts"], QStringLiteral("3"));
        QCOMPARE(records[0]["yesNum"], QStringLiteral("301"));
        QCOMPARE(records[0]["yesPerc"], QStringLiteral("36,6"));        // 301 of 823 valid
        QCOMPARE(records[0]["turnoutPerc"], QStringLiteral("82,0"));    // 828 cast of 1010
    }
    options.dataFile = dir.filePath("missing.tsv");
    QVERIFY_THROWS_EXCEPTION(DataSetError, ResultsServerThread server(options));
}

QTEST_MAIN(TestResultsServerThread)
#include "tst_resultsserverthread.moc"
