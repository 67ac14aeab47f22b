#include "ksv_config.h"
#include "resultsserverthread.h"
#include "resultsservice.h"
#include "soapanswer.h"

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// A whole-country call over a blocking socket: the test thread waits while the server answers.
SoapAnswer countryAnswer(quint16 port, const char *operation = "getCountryResultsValnatt")
{
    const QByteArray body = QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><m:")
            + operation + " xmlns:m=\"" KSV_SERVICE_NAMESPACE "\"/></e:Body></e:Envelope>";
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("POST " + ResultsService::endpointPath().toUtf8() + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                 "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray received;
    while (socket.waitForReadyRead(5000))
        received += socket.readAll();
    received += socket.readAll();
    return SoapAnswer::read(received.mid(received.indexOf("\r\n\r\n") + 4));
}

} // namespace

class TestResultsServerThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopsInDestructor();
    void severalAtOnceWithTheirOwnOptions();
    void optionsReachTheService_data();
    void optionsReachTheService();
    void clockResumesWhereItStood();
    void dataFileReplacesBundledData();
};

void TestResultsServerThread::stopsInDestructor()
{
    quint16 port = 0;
    {
        ResultsServerThread server;
        port = server.port();
        QVERIFY(port != 0);
        QCOMPARE(countryAnswer(port).records.size(), std::size_t(22));
    }
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!socket.waitForConnected(2000));
    QCOMPARE(socket.error(), QAbstractSocket::ConnectionRefusedError);
}

void TestResultsServerThread::severalAtOnceWithTheirOwnOptions()
{
    ServiceOptions inlineOptions;
    inlineOptions.logRequests = false;
    ServiceOptions multiRefOptions = inlineOptions;
    multiRefOptions.style = WireStyle::MultiRef;
    ResultsServerThread a(inlineOptions);
    ResultsServerThread b(multiRefOptions);
    QVERIFY(a.port() != b.port());
    a.setElapsed(0ms);
    b.setElapsed(30min);
    const SoapAnswer fromA = countryAnswer(a.port());
    const SoapAnswer fromB = countryAnswer(b.port());
    QCOMPARE(fromA.multiRefCount, 0);
    QCOMPARE(fromB.multiRefCount, 22);
    QCOMPARE(fromA.records.at(0)["readyDistricts"], QStringLiteral("0"));
    QCOMPARE(fromB.records.at(0)["readyDistricts"], fromB.records.at(0)["allDistricts"]);
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
    ServiceOptions options;
    options.logRequests = false;
    options.finalCount = finalCount;
    options.nightMinutes = nightMinutes;
    options.frozenAt = std::chrono::seconds(elapsedSeconds);
    ResultsServerThread server(options);
    const auto country = countryAnswer(server.port()).records.at(0);
    QCOMPARE(country["readyDistricts"] == country["allDistricts"], complete);
}

void TestResultsServerThread::clockResumesWhereItStood()
{
    ServiceOptions options;
    options.logRequests = false;
    ResultsServerThread server(options);
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
    ServiceOptions options;
    options.logRequests = false;
    options.dataFile = file.fileName();
    ResultsServerThread server(options);
    const auto records = countryAnswer(server.port(), "getCountryResultsSlutsam").records;
    QCOMPARE(records.size(), std::size_t(3));
    QCOMPARE(records[1]["name"], QStringLiteral("Provlän"));
    QCOMPARE(records[2]["code"], QStringLiteral("30"));
    QCOMPARE(records[0]["allDistricts"], QStringLiteral("3"));
    QCOMPARE(records[0]["yesNum"], QStringLiteral("301"));
    QCOMPARE(records[0]["yesPerc"], QStringLiteral("36,6"));     // 301 of 823 valid
    QCOMPARE(records[0]["turnoutPerc"], QStringLiteral("82,0"));    // 828 cast of 1010
}

QTEST_MAIN(TestResultsServerThread)
#include "tst_resultsserverthread.moc"
