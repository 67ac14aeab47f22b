#include "applicationsetup.h"
#include "cannedservice.h"
#include "deadport.h"
#include "form1.h"
#include "form1testaccess.h"
#include "modalcloser.h"
#include "startup.h"

#include <QTest>
#include <QTimer>

namespace {

// Counts the times a widget is shown.
class ShowCounter : public QObject
{
public:
    int shows = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        shows += event->type() == QEvent::Show;
        return false;
    }
};

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    void failedStartNeverShowsWindow_data()
    {
        QTest::addColumn<bool>("deadPort");
        QTest::newRow("nothing listening") << true;
        QTest::newRow("service answers with a fault") << false;
    }

    void failedStartNeverShowsWindow()
    {
        QFETCH(bool, deadPort);
        CannedService service;
        ServiceSettings settings = service.settings();
        if (deadPort)
            settings.wsdlUrl = QStringLiteral("http://127.0.0.1:%1/x.wsdl").arg(DeadPort::take());
        else
            service.fault("Valnatten har inte b\u00f6rjat");
        Startup startup(settings);
        ShowCounter counter;
        startup.window().installEventFilter(&counter);
        ModalCloser closer;
        QCOMPARE(startup.exec(), Startup::FailureExitCode);
        QVERIFY(Startup::FailureExitCode != 0);
        QCOMPARE(counter.shows, 0);
        QCOMPARE(closer.seen().size(), 1);
        QCOMPARE(closer.seen().first().title, QStringLiteral("Kestrova 2003 Viewer"));
        QCOMPARE(closer.seen().first().format, Qt::PlainText);
        if (!deadPort)
            QVERIFY(closer.seen().first().text.contains("Valnatten har inte b\u00f6rjat"));
    }

    void startShowsLoadedWindow()
    {
        CannedService service;
        service.answer("getCountryResultsValnatt", {CannedService::row("Riket", "country", "00"),
                                                    CannedService::row("Kalmar l\u00e4n")});
        Startup startup(service.settings());
        ModalCloser closer;
        Form1 &form = startup.window();
        int shownWhileRunning = -1;
        QTimer::singleShot(0, [&] {
            shownWhileRunning = QTest::qWaitForWindowActive(&form);
            form.close(); // closing the window ends the program
        });
        QCOMPARE(startup.exec(), 0);
        QCOMPARE(shownWhileRunning, 1);
        QVERIFY(closer.seen().isEmpty());
        Form1TestAccess access(form);
        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrova 2003 Viewer 1.0"));
        QCOMPARE(access.regionList()->count(), 3);
        QCOMPARE(access.table()->model()->rowCount(), 0);
        QCOMPARE(form.focusWidget(), access.regionList());
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
