#include "ksv_config.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

QString executable()
{
    return qEnvironmentVariable("KSV_SERVICE_EXE");
}

// Starts the service on a free port and waits for its WSDL line; returns the URL or empty.
QString start(QProcess &process, const QStringList &arguments)
{
    process.start(executable(), QStringList{"--port", "0"} + arguments);
    if (!process.waitForStarted(5000))
        return {};
    QByteArray out;
    while (!out.contains('\n')) {
        if (!process.waitForReadyRead(10000))
            return {};
        out += process.readAllStandardOutput();
    }
    const auto match = QRegularExpression("^WSDL: (http://127\\.0\\.0\\.1:(\\d+)\\S+)\n$").match(QString::fromUtf8(out));
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

class TestProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void help();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void refusesBadDataFile();
    void refusesPortInUse();
    void stopsOnSignal_data();
    void stopsOnSignal();
    void logsEveryRequest();
};

void TestProcess::initTestCase()
{
    if (executable().isEmpty())
        QSKIP("KSV_SERVICE_EXE not set");
}

void TestProcess::help()
{
    QProcess process;
    process.start(executable(), {"--help"});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    for (const char *option : {"--bind", "--port", "--style", "--final", "--seed", "--night-minutes", "--at",
                               "--data", "--quiet", "--help", "inline", "multiref"})
        QVERIFY2(text.contains(option), option);
}

void TestProcess::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"--colour"} << "colour";
    QTest::newRow("style") << QStringList{"--style", "fancy"} << "--style";
    QTest::newRow("port range") << QStringList{"--port", "70000"} << "--port";
    QTest::newRow("port text") << QStringList{"--port", "http"} << "--port";
    QTest::newRow("night zero") << QStringList{"--night-minutes", "0"} << "--night-minutes";
    QTest::newRow("seed negative") << QStringList{"--seed", "-1"} << "--seed";
    QTest::newRow("at negative") << QStringList{"--at", "-5"} << "--at";
    QTest::newRow("bind name") << QStringList{"--bind", "nowhere"} << "--bind";
    QTest::newRow("positional") << QStringList{"extra"} << "extra";
}

void TestProcess::refusesBadArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess process;
    process.start(executable(), arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestProcess::refusesBadDataFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.tsv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("type\tcode\tname\tdistricts\telectorate\tyes\tno\tblank\tinvalid\ncounty\t1\tX\n");
    file.close();
    QProcess process;
    process.start(executable(), {"--port", "0", "--data", path});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 1);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(error.contains(path + ": rad 2, fältet \"code\""), qPrintable(error));
}

void TestProcess::refusesPortInUse()
{
    QProcess first;
    const QString url = start(first, {"--quiet"});
    QVERIFY(!url.isEmpty());
    QProcess second;
    second.start(executable(), {"--port", QString::number(QUrl(url).port())});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardOutput().isEmpty());
    const QString error = QString::fromUtf8(second.readAllStandardError());
    QVERIFY2(error.contains("kan inte lyssna på 127.0.0.1 port " + QString::number(QUrl(url).port()) + ": "),
             qPrintable(error));
    ::kill(pid_t(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(10000));
}

void TestProcess::stopsOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestProcess::stopsOnSignal()
{
    QFETCH(int, signalNumber);
    QProcess process;
    const QString url = start(process, {"--quiet", "--style", "multiref"});
    QVERIFY2(!url.isEmpty(), process.readAllStandardError().constData());
    // Listening for real: a connection is accepted.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(QUrl(url).port()));
    QVERIFY(socket.waitForConnected(5000));
    ::kill(pid_t(process.processId()), signalNumber);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

void TestProcess::logsEveryRequest()
{
    QProcess process;
    const QString url = start(process, {});
    QVERIFY(!url.isEmpty());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(QUrl(url).port()));
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray body = "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
                            "<m:getCountyResultsSlutsam xmlns:m=\"" KSV_SERVICE_NAMESPACE "\"><c>99</c>"
                            "</m:getCountyResultsSlutsam></e:Body></e:Envelope>";
    socket.write("POST /emu2003/webservices/ElectionResults/soap HTTP/1.1\r\nHost: x\r\nContent-Length: "
                 + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QVERIFY(socket.waitForReadyRead(5000));
    socket.write("GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n");
    QVERIFY(socket.waitForReadyRead(5000));
    QByteArray log;
    process.setReadChannel(QProcess::StandardError);
    while (log.count('\n') < 2 && process.waitForReadyRead(5000))
        log += process.readAllStandardError();
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(10000));
    const QStringList lines = QString::fromUtf8(log).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(QRegularExpression(" POST /emu2003/webservices/ElectionResults/soap getCountyResultsSlutsam 500 [0-9.]+ ms$")
                     .match(lines[0]).hasMatch(), qPrintable(lines[0]));
    QVERIFY2(QRegularExpression(" GET /nothing - 404 [0-9.]+ ms$").match(lines[1]).hasMatch(), qPrintable(lines[1]));
}

QTEST_MAIN(TestProcess)
#include "tst_process.moc"
