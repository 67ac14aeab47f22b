#include "applicationsetup.h"
#include "cannedservice.h"
#include "form1.h"
#include "form1testaccess.h"
#include "loadedwindow.h"
#include "modalcloser.h"

#include "answerwriter.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTest>

namespace {

const QString Country = QStringLiteral("getCountryResultsValnatt");
const QString County = QStringLiteral("getCountyResultsValnatt");

QString countdownText(int seconds)
{
    if (seconds > 1)
        return QStringLiteral("Uppdatering om %1 sekunder").arg(seconds);
    if (seconds == 1)
        return QStringLiteral("Uppdatering om 1 sekund");
    return QStringLiteral("Uppdaterar!");
}

} // namespace

class tst_Countdown : public QObject
{
    Q_OBJECT

private:
    struct Loaded : LoadedWindow
    {
        Loaded()
            : LoadedWindow({CannedService::row(QStringLiteral("Riket"), QStringLiteral("country"), QStringLiteral("00")),
                            CannedService::row(QStringLiteral("Stockholms l\u00e4n"), QStringLiteral("county"), QStringLiteral("01")),
                            CannedService::row(QStringLiteral("Gotlands l\u00e4n"), QStringLiteral("county"), QStringLiteral("09"))})
        {
        }
        void setTicked(bool ticked) { access->autoUpdate()->setChecked(ticked); }
    };

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    // 60 texts from 60 down to 1, "Uppdaterar!" for one tick, the fetch on the 61st.
    void fullCycle()
    {
        Loaded window;
        window.setTicked(true);
        QVERIFY(window.access->timer()->isActive());
        QCOMPARE(window.status(), countdownText(60));
        QCOMPARE(window.service.calls(), 0);
        for (int tick = 1; tick <= 60; ++tick) {
            window.tick();
            QCOMPARE(window.access->secondsLeft(), 60 - tick);
            QCOMPARE(window.status(), countdownText(60 - tick));
            QCOMPARE(window.service.calls(), 0);
        }
        QCOMPARE(window.status(), QStringLiteral("Uppdaterar!"));
        window.tick();
        QCOMPARE(window.service.calls(), 1);
        QCOMPARE(window.status(), QStringLiteral("Uppdatering om 60 sekunder"));
        QCOMPARE(window.access->table()->model()->rowCount(), 3);
        window.tick();
        QCOMPARE(window.status(), QStringLiteral("Uppdatering om 59 sekunder"));
        window.tick(60);
        QCOMPARE(window.service.calls(), 2);
    }

    void untickStopsAndKeepsCounter()
    {
        Loaded window;
        window.setTicked(true);
        window.tick(5);
        window.setTicked(false);
        QVERIFY(!window.access->timer()->isActive());
        QVERIFY(window.status().isEmpty());
        QCOMPARE(window.access->secondsLeft(), 55);
        window.setTicked(true);
        QCOMPARE(window.access->secondsLeft(), 60);
        QCOMPARE(window.status(), countdownText(60));
    }

    void grayedChangesNothing()
    {
        Loaded window;
        window.setTicked(true);
        window.tick(3);
        window.access->autoUpdate()->setTristate(true);
        window.access->autoUpdate()->setCheckState(Qt::PartiallyChecked);
        QVERIFY(window.access->timer()->isActive());
        QCOMPARE(window.status(), countdownText(57));
        QCOMPARE(window.access->secondsLeft(), 57);
    }

    void visaRestartsCount_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<int>("ticksBefore");
        QTest::newRow("while counting") << true << 30;
        QTest::newRow("while due") << true << 60;
        QTest::newRow("while unticked") << false << 0;
    }

    // The count restarts at 60, the text waits for the next tick, a due refresh is cancelled.
    void visaRestartsCount()
    {
        QFETCH(bool, ticked);
        QFETCH(int, ticksBefore);
        Loaded window;
        if (ticked)
            window.setTicked(true);
        window.tick(ticksBefore);
        const QString before = window.status();
        window.access->showButton()->click();
        QCOMPARE(window.service.calls(), 1);
        QCOMPARE(window.access->secondsLeft(), 60);
        QCOMPARE(window.status(), before);
        if (ticked) {
            window.tick();
            QCOMPARE(window.status(), countdownText(59));
            QCOMPARE(window.service.calls(), 1);
        } else {
            QVERIFY(window.status().isEmpty());
            QVERIFY(!window.access->timer()->isActive());
        }
    }

    void refreshFetchesWhatTheListShows()
    {
        Loaded window;
        window.setTicked(true);
        window.tick(60);
        window.access->regionList()->setCurrentText(QStringLiteral("Gotlands l\u00e4n"));
        window.service.answer(County, {CannedService::row(QStringLiteral("Gotland"), QStringLiteral("municipality"), QStringLiteral("0980"))});
        window.tick();
        QCOMPARE(window.service.countyArguments(), QStringList{"09"});
        QCOMPARE(window.access->table()->model()->index(0, 0).data().toString(), QStringLiteral("Gotland"));
        QCOMPARE(window.access->regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
    }

    // One box, no tick handled while it is up, then a full count from 60.
    void failedRefreshStartsAgain()
    {
        Loaded window;
        window.access->showButton()->click();
        window.service.clearRequests();
        window.setTicked(true);
        window.tick(60);
        window.service.fault(QStringLiteral("Tillf\u00e4lligt fel"));
        ModalCloser closer;
        ModalCloser nested; // closes a second box, were one opened over the first
        int callsWhileOpen = -1;
        int countWhileOpen = -1;
        closer.setWhileOpen([&] {
            window.tick(3);
            QTest::qWait(1100); // real ticks of Timer1 too
            callsWhileOpen = window.service.calls();
            countWhileOpen = window.access->secondsLeft();
        });
        window.tick();
        QCOMPARE(std::max(closer.mostOpenAtOnce(), nested.mostOpenAtOnce()), 1);
        QCOMPARE(window.service.calls(), 1);
        QCOMPARE(callsWhileOpen, 1);
        QCOMPARE(countWhileOpen, 0);
        QVERIFY(closer.seen().first().text.contains(QStringLiteral("Tillf\u00e4lligt fel")));
        QCOMPARE(window.access->secondsLeft(), 60);
        QCOMPARE(window.status(), countdownText(60));
        QVERIFY(window.access->timer()->isActive());
        QCOMPARE(window.access->table()->model()->rowCount(), 3);
        window.tick();
        QCOMPARE(window.status(), countdownText(59));
    }

    // Real one-second ticks, and none piling up behind a slow fetch.
    void realTicks()
    {
        Loaded window;
        window.setTicked(true);
        QTRY_COMPARE_WITH_TIMEOUT(window.access->secondsLeft(), 58, 3000);
        QCOMPARE(window.status(), countdownText(58));

        // A fetch that blocks for two and a half ticks is followed by at most one tick.
        auto slow = testsupport::CannedReply::ok(AnswerWriter(WireStyle::Inline).write(Country, {}));
        slow.delay = std::chrono::milliseconds(2500);
        window.service.reply(slow);
        window.access->setSecondsLeft(0);
        QTRY_COMPARE_WITH_TIMEOUT(window.service.calls(), 1, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(window.access->secondsLeft() != 0, 5000);
        QVERIFY(window.access->secondsLeft() >= 59);
        QTest::qWait(500);
        QVERIFY(window.access->secondsLeft() >= 58);
    }
};

QTEST_MAIN(tst_Countdown)
#include "tst_countdown.moc"
