#include "applicationsetup.h"
#include "clsws_ElectionResults.h"
#include "resultsserverthread.h"
#include "startup.h"
#include "struct_QueryResult.h"
#include "windowparts.h"

#include "reporters.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The window against the bundled service replaying its election night.
class TestBundledService : public QObject
{
    Q_OBJECT

private:
    static const struct_QueryResult &record(const soap::Variant &answer, std::size_t i = 0)
    {
        return dynamic_cast<const struct_QueryResult &>(*answer.array().at(i));
    }
    static QStringList names(const soap::Variant &answer)
    {
        QStringList names;
        for (std::size_t i = 0; i < answer.array().size(); ++i)
            names << record(answer, i).name();
        return names;
    }

private Q_SLOTS:
    void init() { ApplicationSetup::apply(*qApp); }

    // Nothing at the address: the box, never the window, and the program ends with status 1. The
    // title is in place before the first service call, its revision never shown.
    void failedStart()
    {
        QCoreApplication::setApplicationVersion("2.10.7");
        ServiceSettings dead;
        dead.wsdlUrl = WindowParts::deadAddress();
        Startup startup(dead);
        QCOMPARE(startup.window().windowTitle(), QStringLiteral("Form1"));
        int status = 0;
        const QStringList boxes = WindowParts::closingBoxes([&] { status = startup.exec(); });
        QCOMPARE(status, 1);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes.first().startsWith("Kestrova 2003 Viewer|Kunde inte ansluta"));
        QVERIFY(boxes.first().endsWith("|3|0|1024")); // critical, plain text, OK alone
        QVERIFY(!startup.window().testAttribute(Qt::WA_WState_Created));
        QCOMPARE(startup.window().windowTitle(), QStringLiteral("Kestrova 2003 Viewer 2.10"));
    }

    // The window is shown loaded, the focus on the list, until it is closed. A county is shown
    // as sent, with its `generated` as the service writes it; the 61st tick refreshes whatever
    // the list shows by then, later in the night.
    void nightInTheWindow()
    {
        ProgramOptions options;
        options.port = 0;
        options.logRequests = false;
        options.service.frozenAt = 5min;
        ResultsServerThread service(options);
        ServiceSettings settings;
        settings.wsdlUrl = service.wsdlUrl();
        Startup startup(settings);
        Form1 &form = startup.window();
        bool shownWhileRunning = false;
        // A timer, not a queued call: queued calls are Qt's own business and go through while
        // the start-up fetch waits, timers wait with the rest of the program.
        QTimer::singleShot(1, [&] {
            shownWhileRunning = QTest::qWaitForWindowActive(&form);
            form.close(); // closing the window ends the program
        });
        QCOMPARE(startup.exec(), 0);
        QVERIFY(shownWhileRunning);
        const WindowParts parts(form);
        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrova 2003 Viewer 1.0"));
        QCOMPARE(form.focusWidget(), parts.regionList());
        QVERIFY(parts.column().isEmpty());
        QCOMPARE(parts.regionList()->count(), 2 + 21);

        clsws_ElectionResults client(settings);
        parts.choose("Stockholms l\u00e4n");
        parts.visa();
        const soap::Variant stockholm = client.wsm_getCountyResultsValnatt("01");
        QCOMPARE(parts.column(), names(stockholm));
        QCOMPARE(parts.freshness(), "Stockholms l\u00e4n \u00b7 " + record(stockholm).generated());

        service.setElapsed(25min);
        parts.tickedByHand();
        parts.tick(60);
        parts.choose("Uppsala l\u00e4n");
        parts.tick();
        QCOMPARE(parts.status(), QStringLiteral("Uppdatering om 60 sekunder"));
        const soap::Variant uppsala = client.wsm_getCountyResultsValnatt("03");
        QCOMPARE(parts.column(), names(uppsala));
        QCOMPARE(parts.column(6).first(), record(uppsala).readyDistricts());
        QVERIFY(parts.freshness().startsWith("Uppsala l\u00e4n \u00b7 "));
    }

    // A live night fed by ksv-report: the window shows what was reported, and a correction once
    // it refreshes.
    void liveNightInTheWindow()
    {
        const QString reportTool = qEnvironmentVariable("KSV_REPORT_EXE");
        if (reportTool.isEmpty())
            QSKIP("KSV_REPORT_EXE not set");
        QTemporaryDir dir;
        const auto made = Reporters::newToken("Prov", "01", "reporter");
        auto write = [&](const char *name, const QByteArray &text) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        write("token", made.token);
        write("reporters.tsv", made.line.toUtf8());
        write("natt.csv", "municipality,district,yes,no,blank,invalid\n0114,1,600,400,20,5\n0114,2,300,200,10,2\n"
                          "0180,1,400,500,10,3\n");
        ProgramOptions options;
        options.service.liveNight = true;
        options.logRequests = false;
        options.service.store = dir.filePath("night.sqlite");
        options.service.reportersFile = dir.filePath("reporters.tsv");
        ResultsServerThread service(options);
        // Its exit status and summary.
        auto report = [&](const QStringList &arguments) {
            QProcess tool;
            tool.start(reportTool, QStringList{"--url", service.intakeUrl(), "--token-file", dir.filePath("token"), "--quiet"}
                                           + arguments);
            tool.waitForFinished(30000);
            return QString::number(tool.exitCode()) + u' ' + QString::fromUtf8(tool.readAllStandardOutput());
        };
        QCOMPARE(report({dir.filePath("natt.csv")}), QStringLiteral("0 Nya: 3, identiska: 0, rättade: 0, avvisade: 0\n"));

        ServiceSettings settings;
        settings.wsdlUrl = service.wsdlUrl();
        // Answers show a report within a moment of its commit.
        clsws_ElectionResults client(settings);
        QTRY_COMPARE(record(client.wsm_getCountyResultsValnatt("01")).readyDistricts(), "3");
        Startup startup(settings);
        Form1 &form = startup.window();
        bool shown = false;
        QTimer::singleShot(1, [&] {
            shown = QTest::qWaitForWindowActive(&form);
            form.close();
        });
        QCOMPARE(startup.exec(), 0);
        QVERIFY(shown);
        const WindowParts parts(form);
        parts.choose("Stockholms l\u00e4n");
        parts.visa();
        const int vasby = int(parts.column().indexOf("Upplands V\u00e4sby"));
        QCOMPARE(parts.column(6).first(), "3");
        QCOMPARE(parts.column(1).at(vasby), "58,8% (900)");
        QCOMPARE(parts.column(2).at(vasby), "39,2% (600)");
        QCOMPARE(parts.column(3).at(vasby), "2,0% (30)");
        QCOMPARE(parts.column(4).at(vasby), "7");
        QCOMPARE(parts.column(6).at(vasby), "2");
        QVERIFY(parts.freshness().startsWith("Stockholms l\u00e4n \u00b7 " + QDate::currentDate().toString(Qt::ISODate)));

        QCOMPARE(report({"--correction", "omräkning", "0114/2=330,200,10,2"}),
                 QStringLiteral("0 Nya: 0, identiska: 0, rättade: 1, avvisade: 0\n"));
        QTRY_COMPARE(record(client.wsm_getCountyResultsValnatt("01")).yesNum(), "1330");
        parts.tickedByHand();
        parts.tick(61);
        QCOMPARE(parts.column(1).at(vasby), "59,6% (930)");
    }
};

QTEST_MAIN(TestBundledService)
#include "tst_bundledservice.moc"
