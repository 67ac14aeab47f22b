#include "applicationsetup.h"
#include "clsws_ElectionResults.h"
#include "resultsserverthread.h"
#include "startup.h"
#include "struct_QueryResult.h"
#include "windowparts.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace std::chrono_literals;

// The window against the bundled service replaying its election night.
class tst_BundledService : public QObject
{
    Q_OBJECT

private:
    static QStringList namesOf(const soap::Variant &answer, const QString &type = QString())
    {
        QStringList names;
        for (const soap::ObjectPtr &element : answer.array()) {
            const auto &record = dynamic_cast<const struct_QueryResult &>(*element);
            if (type.isEmpty() || record.resultType() == type)
                names << record.name();
        }
        return names;
    }

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    // The window is shown loaded, the focus on the list, until it is closed. A county is shown
    // as sent, with its `generated` as the service writes it; the 61st tick refreshes whatever
    // the list shows by then, later in the night.
    void nightInTheWindow()
    {
        ServiceOptions options;
        options.port = 0;
        options.logRequests = false;
        options.frozenAt = 5min;
        ResultsServerThread service(options);
        ServiceSettings settings;
        settings.wsdlUrl = service.wsdlUrl();
        Startup startup(settings);
        Form1 &form = startup.window();
        bool shownWhileRunning = false;
        QTimer::singleShot(0, [&] {
            shownWhileRunning = QTest::qWaitForWindowActive(&form);
            form.close(); // closing the window ends the program
        });
        QCOMPARE(startup.exec(), 0);
        QVERIFY(shownWhileRunning);
        const WindowParts parts(form);
        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrova 2003 Viewer 1.0"));
        QCOMPARE(form.focusWidget(), parts.regionList());
        QVERIFY(parts.column().isEmpty());
        clsws_ElectionResults client(settings);
        const QStringList counties = namesOf(client.wsm_getCountryResultsValnatt(), "county");
        QCOMPARE(counties.size(), 21);
        QCOMPARE(parts.regionList()->count(), 23);
        QCOMPARE(parts.regionList()->itemText(22), counties.last());

        parts.regionList()->setCurrentText("Stockholms l\u00e4n");
        parts.child<QPushButton>("Command1")->click();
        QCOMPARE(parts.column(), namesOf(client.wsm_getCountyResultsValnatt("01")));
        QVERIFY(QRegularExpression("^Stockholms l\u00e4n \u00b7 \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$")
                    .match(parts.freshness())
                    .hasMatch());

        service.setElapsed(25min);
        parts.child<QCheckBox>("Check1")->setChecked(true);
        parts.timer()->stop();
        parts.tick(60);
        parts.regionList()->setCurrentText("Uppsala l\u00e4n");
        parts.tick();
        QCOMPARE(parts.status(), QStringLiteral("Uppdatering om 60 sekunder"));
        const soap::Variant uppsala = client.wsm_getCountyResultsValnatt("03");
        QCOMPARE(parts.column(), namesOf(uppsala));
        const auto &county = dynamic_cast<const struct_QueryResult &>(*uppsala.array()[0]);
        QCOMPARE(parts.column(6).first(), county.readyDistricts());
        QVERIFY(parts.freshness().startsWith("Uppsala l\u00e4n \u00b7 "));
    }
};

QTEST_MAIN(tst_BundledService)
#include "tst_bundledservice.moc"
