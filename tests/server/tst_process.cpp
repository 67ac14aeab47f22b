#include "httpexchange.h"
#include "soapcall.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

class TestProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void servesLogsAndStops_data();
    void servesLogsAndStops();
    void servesWhileTheLogStalls();

private:
    QString m_executable = qEnvironmentVariable("KSV_SERVICE_EXE");
    QTemporaryDir m_dir;
    QTcpServer m_busy;    // holds a port, so the service cannot have it
};

void TestProcess::initTestCase()
{
    if (m_executable.isEmpty())
        QSKIP("KSV_SERVICE_EXE not set");
    QVERIFY(m_busy.listen(QHostAddress::LocalHost, 0));
    QFile file(m_dir.filePath("data.tsv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("type\tcode\tname\tdistricts\telectorate\tyes\tno\tblank\tinvalid\ncounty\t1\tX\n");
    QFile reporters(m_dir.filePath("reporters.tsv"));
    QVERIFY(reporters.open(QIODevice::WriteOnly));
    reporters.write("# nobody yet\n");
}

void TestProcess::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");    // on stdout for the help, on stderr for a refusal
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << "--bind --port --style inline multiref --final --seed --night-minutes --at --data --quiet "
                             "--night-start --threads --max-connections --max-connections-per-client "
                             "--memory-target --drain-seconds --night --districts --reporters --store --intake-bind "
                             "--intake-port --intake-tls-cert --intake-tls-key --audit --new-token --counties --role SIGHUP --help";
    // Taken at the ends of their ranges (and --version then ends the program).
    QTest::newRow("ends of ranges") << QStringList{"--max-connections-per-client", "0", "--memory-target", "96",
                                                   "--drain-seconds", "0", "--version"}
                                    << 0 << "ksv-results-service";
    QTest::newRow("other ends") << QStringList{"--max-connections", "1000000", "--max-connections-per-client", "1000000",
                                               "--memory-target", "7830", "--drain-seconds", "3600", "--version"}
                                << 0 << "ksv-results-service";
    // Refused, naming the option or the word.
    for (const QStringList &bad : {QStringList{"--colour"}, {"--style", "fancy"}, {"--port", "70000"},
                                   {"--port", "http"}, {"--night-minutes", "0"}, {"--seed", "-1"}, {"--at", "-5"},
                                   {"--bind", "nowhere"}, {"--night-start", "2003-09-14"}, {"--night-start", "20:00"},
                                   {"--threads", "0"}, {"--max-connections", "0"},
                                   {"--max-connections-per-client", "-1"}, {"--max-connections-per-client", "1000001"},
                                   {"--memory-target", "95"}, {"--drain-seconds", "-1"}, {"--drain-seconds", "3601"},
                                   {"extra"}})
        QTest::newRow(qPrintable(bad.join(u' ')))
                << bad << 2 << bad.first().mid(bad.size() > 1 ? 0 : bad.first().lastIndexOf(u'-') + 1);
    // The memory target must leave room for requests beside what the connections take.
    QTest::newRow("memory target for the connections")
            << QStringList{"--max-connections", "1000000"} << 2 << "128 MiB räcker inte för 1000000 anslutningar (minst 7830 MiB)";
    const QString path = m_dir.filePath("data.tsv");
    QTest::newRow("bad data file") << QStringList{"--port", "0", "--data", path} << 1
                                   << path + ": rad 2, fältet \"code\"";
    // A live night: what it needs, and never tokens in clear across a network.
    const QString reporters = m_dir.filePath("reporters.tsv");
    const QString store = m_dir.filePath("night.sqlite");
    const QStringList live{"--night", "live", "--reporters", reporters, "--store", store, "--port", "0", "--intake-port", "0"};
    auto refusedLive = [&](const char *name, const QStringList &more, int exitCode, const QString &message) {
        QTest::newRow(name) << live + more << exitCode << message;
    };
    refusedLive("live without a store", {"--store", ""}, 2, "--night live kräver --store");
    refusedLive("intake in clear off loopback", {"--intake-bind", "0.0.0.0"}, 2, "--intake-bind: 0.0.0.0 är inte loopback");
    refusedLive("intake on the SOAP port", {"--port", "8123", "--intake-port", "8123"}, 2, "--intake-port");
    refusedLive("certificate without key", {"--intake-tls-cert", path}, 2, "--intake-tls-key");
    refusedLive("final declared by option", {"--final"}, 2, "--final");
    refusedLive("night of another kind", {"--night", "sunset"}, 2, "--night: 'sunset'");
    refusedLive("missing reporters file", {"--reporters", m_dir.filePath("none.tsv")}, 1, "none.tsv: kan inte läsas");
    refusedLive("certificate not PEM", {"--intake-tls-cert", path, "--intake-tls-key", path}, 1, "rapporterna kan inte tas emot");
    QTest::newRow("store for a replay") << QStringList{"--store", store} << 2 << "--store gäller bara --night live";
    QTest::newRow("token for no county") << QStringList{"--new-token", "Anna", "--counties", "99"} << 2
                                         << "fältet \"counties\": '99'";
    QTest::newRow("audit of nothing") << QStringList{"--audit", m_dir.filePath("none.sqlite")} << 1 << "none.sqlite";
    const QString port = QString::number(m_busy.serverPort());
    QTest::newRow("port in use") << QStringList{"--port", port} << 1 << "kan inte lyssna på 127.0.0.1 port " + port + ": ";
}

void TestProcess::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QProcess process;
    process.start(m_executable, arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), exitCode);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString error = QString::fromUtf8(process.readAllStandardError());
    if (exitCode == 0) {
        for (const QString &word : message.split(u' '))
            QVERIFY2(out.contains(word), qPrintable(word));
        return;
    }
    QVERIFY(out.isEmpty());
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestProcess::servesLogsAndStops_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("ignoredAtStart");    // as under nohup: it stays ignored, SIGTERM stops it
    QTest::newRow("SIGTERM") << SIGTERM << false;
    QTest::newRow("SIGINT") << SIGINT << false;
    QTest::newRow("SIGHUP") << SIGHUP << false;
    QTest::newRow("SIGHUP under nohup") << SIGHUP << true;
}

void TestProcess::servesLogsAndStops()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, ignoredAtStart);
    QProcess process;
    // The service keeps what it was started with; this test must not depend on how it was run.
    process.setChildProcessModifier([signalNumber, ignoredAtStart] {
        ::signal(signalNumber, ignoredAtStart ? SIG_IGN : SIG_DFL);
    });
    process.start(m_executable, {"--port", "0", "--threads", "2", "--drain-seconds", "5", "--night-start",
                                 "2003-09-14T20:00:00+02:00"});
    QVERIFY(process.waitForStarted(5000));
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    const auto match = QRegularExpression("^WSDL: http://127\\.0\\.0\\.1:(\\d+)/\\S+\n$").match(QString::fromUtf8(out));
    QVERIFY2(match.hasMatch(), out.constData());
    const quint16 port = match.captured(1).toUShort();
    auto connect = [port](QTcpSocket &socket) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(2000);
    };

    QTcpSocket idle;
    QVERIFY(connect(idle));
    QCOMPARE(HttpExchange::status(idle, SoapCall::post(SoapCall::of("getCountyResultsSlutsam", "99"))), 500);
    QCOMPARE(HttpExchange::status(idle, "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n"), 404);
    QByteArray log;
    process.setReadChannel(QProcess::StandardError);
    while (log.count('\n') < 2 && process.waitForReadyRead(5000))
        log += process.readAllStandardError();
    const QRegularExpression lines("^(\\S+) 127\\.0\\.0\\.1 POST /emu2003/webservices/ElectionResults/soap "
                                   "getCountyResultsSlutsam 500 [0-9.]+ ms\n[^\n]* GET /nothing - 404 [0-9.]+ ms\n$");
    const auto logged = lines.match(QString::fromUtf8(log));
    QVERIFY2(logged.hasMatch(), log.constData());
    const QDateTime when = QDateTime::fromString(logged.captured(1), Qt::ISODate);
    QVERIFY2(std::abs(when.secsTo(QDateTime::currentDateTime())) < 60, qPrintable(logged.captured(1)));

    // A call begun before the signal is answered after it, and says it closes; idle connections
    // are closed, and no new one is taken.
    QTcpSocket begun;
    QVERIFY(connect(begun));
    const QByteArray call = SoapCall::post(SoapCall::of("getCountryResultsSlutsam"));
    begun.write(call.left(call.size() - 10));
    QVERIFY(begun.waitForBytesWritten(1000));
    QTest::qWait(100);
    ::kill(pid_t(process.processId()), signalNumber);
    if (ignoredAtStart) {
        QTcpSocket still;
        QVERIFY(connect(still));
        QCOMPARE(HttpExchange::status(still, "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n"), 404);
        ::kill(pid_t(process.processId()), signalNumber = SIGTERM);
    }
    const QByteArray said = QByteArray("signal ") + QByteArray::number(signalNumber) + " (SIG";
    while (!log.contains(said) && process.waitForReadyRead(5000))
        log += process.readAllStandardError();
    QVERIFY2(log.contains(said), log.constData());
    QTcpSocket late;
    QVERIFY(!connect(late));
    begun.write(call.right(10));
    QByteArray answer;
    while (begun.waitForReadyRead(5000))
        answer += begun.readAll();
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n") && answer.contains("\r\nConnection: close\r\n"), answer.left(300).constData());
    QVERIFY(answer.contains("getCountryResultsSlutsamResponse"));
    QVERIFY(idle.state() == QAbstractSocket::UnconnectedState || idle.waitForDisconnected(3000));
    QVERIFY(process.waitForFinished(3000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

void TestProcess::servesWhileTheLogStalls()
{
    // Standard error a pipe that nobody reads, as under a hung log collector or a paused
    // terminal: the service goes on serving, and still stops on a signal.
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    QProcess process;
    process.setChildProcessModifier([stalled = ends[1]] { ::dup2(stalled, STDERR_FILENO); });
    process.start(m_executable, {"--port", "0", "--threads", "2"});
    QVERIFY(process.waitForStarted(5000));
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    const quint16 port = out.mid(out.lastIndexOf(':') + 1).split('/').first().toUShort();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(socket.waitForConnected(5000));
    // Far more log than the pipe holds.
    const QByteArray call = SoapCall::post(SoapCall::of("getCountryResultsValnatt"));
    for (int i = 0; i < 2000; ++i)
        QCOMPARE(HttpExchange::status(socket, call), 200);
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    char start[64] = {};
    QVERIFY(::read(ends[0], start, sizeof start - 1) > 0);
    QVERIFY2(QByteArray(start).contains(" 127.0.0.1 POST "), start);
    ::close(ends[0]);
    ::close(ends[1]);
}

QTEST_MAIN(TestProcess)
#include "tst_process.moc"
