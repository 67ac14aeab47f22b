#include "answerwriter.h"
#include "applicationsetup.h"
#include "loadedwindow.h"
#include "modalcloser.h"

#include <QTest>

namespace {

QString countdownText(int seconds)
{
    if (seconds == 0)
        return QStringLiteral("Uppdaterar!");
    return seconds == 1 ? QStringLiteral("Uppdatering om 1 sekund")
                        : QStringLiteral("Uppdatering om %1 sekunder").arg(seconds);
}

} // namespace

class tst_Countdown : public QObject
{
    Q_OBJECT

private:
    struct Loaded : LoadedWindow
    {
        Loaded()
            : LoadedWindow({CannedService::row("Riket", "country", "00"),
                            CannedService::row("Stockholms l\u00e4n", "county", "01"),
                            CannedService::row("Gotlands l\u00e4n", "county", "09")})
        {
        }
        void setTicked(bool ticked) { access->autoUpdate()->setChecked(ticked); }
    };

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    // 60 texts from 60 down to 1, "Uppdaterar!" for one tick, on the 61st a fetch of what the
    // list shows at that moment.
    void fullCycle()
    {
        Loaded window;
        window.setTicked(true);
        QVERIFY(window.access->timer()->isActive());
        QCOMPARE(window.status(), countdownText(60));
        for (int tick = 1; tick <= 60; ++tick) {
            window.tick();
            QCOMPARE(window.access->secondsLeft(), 60 - tick);
            QCOMPARE(window.status(), countdownText(60 - tick));
        }
        QCOMPARE(window.service.calls(), 0);
        window.choose("Gotlands l\u00e4n");
        window.service.answer("getCountyResultsValnatt",
                              {CannedService::row("Gotland", "municipality", "0980")});
        window.tick();
        QCOMPARE(window.service.countyArguments(), QStringList{"09"});
        QCOMPARE(window.rows(), QStringList{"Gotland"});
        QCOMPARE(window.access->regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
        QCOMPARE(window.status(), countdownText(60));
        window.tick();
        QCOMPARE(window.status(), countdownText(59));
        window.tick(60);
        QCOMPARE(window.service.calls(), 2);
    }

    // Unticking stops the count and empties the text but keeps the counter; grayed changes nothing.
    void checkBoxChange_data()
    {
        QTest::addColumn<Qt::CheckState>("state");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("status");
        QTest::newRow("unticked") << Qt::Unchecked << false << QString();
        QTest::newRow("grayed") << Qt::PartiallyChecked << true << countdownText(57);
    }

    void checkBoxChange()
    {
        QFETCH(Qt::CheckState, state);
        QFETCH(bool, running);
        QFETCH(QString, status);
        Loaded window;
        window.setTicked(true);
        window.tick(3);
        window.access->autoUpdate()->setTristate(true);
        window.access->autoUpdate()->setCheckState(state);
        QCOMPARE(window.access->timer()->isActive(), running);
        QCOMPARE(window.status(), status);
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
        window.setTicked(ticked);
        window.tick(ticksBefore);
        const QString before = window.status();
        window.visa();
        QCOMPARE(window.access->secondsLeft(), 60);
        QCOMPARE(window.status(), before);
        if (ticked) {
            window.tick();
            QCOMPARE(window.status(), countdownText(59));
        }
        QCOMPARE(window.service.calls(), 1);
        QCOMPARE(window.access->timer()->isActive(), ticked);
    }

    // One box, no tick handled while it is up, then a full count from 60.
    void failedRefreshStartsAgain()
    {
        Loaded window;
        window.visa();
        window.service.clearRequests();
        window.setTicked(true);
        window.tick(60);
        window.service.fault("Tillf\u00e4lligt fel");
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
        QCOMPARE(callsWhileOpen, 1);
        QCOMPARE(countWhileOpen, 0);
        QCOMPARE(window.service.calls(), 1);
        QVERIFY(closer.seen().first().text.contains("Tillf\u00e4lligt fel"));
        QCOMPARE(window.rows().size(), 3);
        QCOMPARE(window.status(), countdownText(60));
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
        auto slow = testsupport::CannedReply::ok(
            AnswerWriter(WireStyle::Inline).write("getCountryResultsValnatt", {}));
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
