#include "httpexchange.h"
#include "soapcall.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void servesLogsAndStops_data();
    void servesLogsAndStops();

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
}

void TestProcess::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");    // on stdout for the help, on stderr for a refusal
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << "--bind --port --style inline multiref --final --seed --night-minutes --at --data --quiet "
                             "--night-start --threads --max-connections --max-connections-per-client SIGHUP --help";
    // Refused, naming the option or the word.
    for (const QStringList &bad : {QStringList{"--colour"}, {"--style", "fancy"}, {"--port", "70000"},
                                   {"--port", "http"}, {"--night-minutes", "0"}, {"--seed", "-1"}, {"--at", "-5"},
                                   {"--bind", "nowhere"}, {"--night-start", "2003-09-14"}, {"--night-start", "20:00"},
                                   {"--threads", "0"}, {"--max-connections", "0"},
                                   {"--max-connections-per-client", "-1"}, {"extra"}})
        QTest::newRow(qPrintable(bad.join(u' ')))
                << bad << 2 << bad.first().mid(bad.size() > 1 ? 0 : bad.first().lastIndexOf(u'-') + 1);
    const QString path = m_dir.filePath("data.tsv");
    QTest::newRow("bad data file") << QStringList{"--port", "0", "--data", path} << 1
                                   << path + ": rad 2, fältet \"code\"";
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
    process.start(m_executable, {"--port", "0", "--threads", "2", "--night-start", "2003-09-14T20:00:00+02:00"});
    QVERIFY(process.waitForStarted(5000));
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    const auto match = QRegularExpression("^WSDL: http://127\\.0\\.0\\.1:(\\d+)/\\S+\n$").match(QString::fromUtf8(out));
    QVERIFY2(match.hasMatch(), out.constData());

    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, match.captured(1).toUShort());
    QVERIFY(socket.waitForConnected(5000));
    QCOMPARE(HttpExchange::status(socket, SoapCall::post(SoapCall::of("getCountyResultsSlutsam", "99"))), 500);
    QCOMPARE(HttpExchange::status(socket, "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n"), 404);
    QByteArray log;
    process.setReadChannel(QProcess::StandardError);
    while (log.count('\n') < 2 && process.waitForReadyRead(5000))
        log += process.readAllStandardError();
    const QRegularExpression lines("^[^\n]* POST /emu2003/webservices/ElectionResults/soap getCountyResultsSlutsam "
                                   "500 [0-9.]+ ms\n[^\n]* GET /nothing - 404 [0-9.]+ ms\n$");
    QVERIFY2(lines.match(QString::fromUtf8(log)).hasMatch(), log.constData());

    ::kill(pid_t(process.processId()), signalNumber);
    if (ignoredAtStart) {
        QVERIFY(!process.waitForFinished(300));
        ::kill(pid_t(process.processId()), signalNumber = SIGTERM);
    }
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardError().contains(QByteArray("signal ") + QByteArray::number(signalNumber) + " (SIG"));
}

QTEST_MAIN(TestProcess)
#include "tst_process.moc"
