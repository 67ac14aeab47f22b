#include "accessibilityevents.h"
#include "answerwriter.h"
#include "applicationsetup.h"
#include "ksv_config.h"
#include "loadedwindow.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QScrollBar>
#include <QTest>

namespace {

const QString Country = QStringLiteral("getCountryResultsValnatt");
const QString County = QStringLiteral("getCountyResultsValnatt");
const QString WholeCountry = QStringLiteral("Hela landet");
const QString Separator = QStringLiteral("----------------");

ResultRow county(const QString &name, const QString &code, const QString &type = QStringLiteral("county"))
{
    return CannedService::row(name, type, code);
}

std::vector<ResultRow> threeCounties()
{
    return {county("Riket", "00", "country"), county("Stockholms l\u00e4n", "01"),
            county("Uppsala l\u00e4n", "03"), county("Gotlands l\u00e4n", "09")};
}

QString countdownText(int seconds)
{
    return QStringLiteral("Uppdatering om %1 sekunder").arg(seconds);
}

QStringList entries(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

} // namespace

class tst_RegionFetch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    // Only elements of type exactly "county" become entries; every element becomes a row.
    // Choosing fetches nothing; a county's fetch leaves the list alone; every fetch gets a client
    // of its own.
    void wholeCountryAndCounty()
    {
        LoadedWindow window(threeCounties());
        QCOMPARE(entries(window.parts.regionList()),
                 (QStringList{WholeCountry, Separator, "Stockholms l\u00e4n", "Uppsala l\u00e4n",
                              "Gotlands l\u00e4n"}));
        QCOMPARE(window.parts.regionList()->currentText(), WholeCountry);
        QVERIFY(window.parts.column().isEmpty());
        auto changed = threeCounties();
        changed.erase(changed.begin() + 2);
        changed.push_back(county("County X", "20", "County"));
        changed.push_back(county("Blank", "21", "county "));
        window.service.answer(Country, changed);
        window.visa();
        QCOMPARE(window.parts.column(), (QStringList{"Riket", "Stockholms l\u00e4n",
                                                     "Gotlands l\u00e4n", "County X", "Blank"}));
        const QStringList list = {WholeCountry, Separator, "Stockholms l\u00e4n", "Gotlands l\u00e4n"};
        QCOMPARE(entries(window.parts.regionList()), list);
        QCOMPARE(window.parts.regionList()->currentText(), WholeCountry);
        QCOMPARE(window.parts.freshness(), QStringLiteral("Hela landet \u00b7 2003-09-14T22:00:00"));

        window.choose("Gotlands l\u00e4n");
        QCOMPARE(window.service.calls(), 1);
        window.service.answer(County, {county("Gotland", "0980", "municipality")});
        window.visa();
        window.visa();
        QCOMPARE(window.service.countyArguments(), (QStringList{"09", "09"}));
        QCOMPARE(window.service.wsdlFetches(), 3);
        QCOMPARE(window.parts.column(), QStringList{"Gotland"});
        QCOMPARE(entries(window.parts.regionList()), list);
        QCOMPARE(window.parts.regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
        QCOMPARE(window.parts.freshness(), QStringLiteral("Gotlands l\u00e4n \u00b7 2003-09-14T22:00:00"));
    }

    // A county is fetched by its code exactly as the dictionary holds it when that is a number
    // above 0; a code that is no number is reported and changes nothing. A fetch, or nothing to
    // fetch, restarts the count; its text waits for the next tick.
    void countyCode_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("outcome");
        const QString county = QStringLiteral("L\u00e4net");
        QTest::newRow("leading zero") << county << "01" << "fetched";
        QTest::newRow("blanks around") << county << " 7 " << "fetched";
        QTest::newRow("decimal comma") << county << "1,5" << "fetched";
        QTest::newRow("separator") << Separator << "01" << "nothing";
        QTest::newRow("not in the dictionary") << "Inget l\u00e4n" << "01" << "nothing";
        QTest::newRow("code 00") << county << "00" << "nothing";
        QTest::newRow("zero with blanks") << county << " 0 " << "nothing";
        QTest::newRow("empty") << county << "" << "not a number";
        QTest::newRow("hex") << county << "0x10" << "not a number";
        QTest::newRow("exponent") << county << "1e3" << "not a number";
        QTest::newRow("arabic-indic digit") << county << "\u0661" << "not a number";
    }

    void countyCode()
    {
        QFETCH(QString, choice);
        QFETCH(QString, code);
        QFETCH(QString, outcome);
        LoadedWindow window({county("L\u00e4net", code)});
        window.visa();
        window.service.answer(County, {county("Kommunen", "1")});
        window.parts.regionList()->addItem("Inget l\u00e4n");
        window.tickedByHand();
        window.parts.tick(48);
        window.choose(choice);
        window.service.clearRequests();
        window.visa();
        const bool fetched = outcome == "fetched";
        QCOMPARE(window.service.countyArguments(), fetched ? QStringList{code} : QStringList());
        QCOMPARE(window.parts.column(), QStringList{fetched ? "Kommunen" : "L\u00e4net"});
        QCOMPARE(window.parts.status(), QStringLiteral("Uppdatering om 12 sekunder"));
        window.parts.tick();
        const bool failed = outcome == "not a number";
        QCOMPARE(window.parts.status(), countdownText(failed ? 11 : 59));
        QCOMPARE(window.parts.errorBox() && window.parts.errorBox()->isVisible(), failed);
        if (failed) {
            const QString text = window.parts.errorBox()->text();
            QVERIFY(text.startsWith("L\u00e4net"));
            QVERIFY(text.contains('"' + code + '"'));
            QVERIFY(text.contains("Fel 13 (0x0000000d)"));
            QVERIFY(window.parts.freshness().contains("Senaste h\u00e4mtningen misslyckades"));
        }
    }

    void emptyCountryAnswer()
    {
        LoadedWindow window({});
        QCOMPARE(entries(window.parts.regionList()), (QStringList{WholeCountry, Separator}));
        window.visa();
        QCOMPARE(window.service.calls(), 1);
        QVERIFY(window.parts.column().isEmpty());
        QCOMPARE(window.parts.freshness(), QStringLiteral("Hela landet \u00b7 tid ok\u00e4nd"));
    }

    // More elements than a 16-bit index could count, in the list, the dictionary and the table.
    void largeCountryAnswer()
    {
        constexpr int count = 33000;
        std::vector<ResultRow> country;
        for (int i = 0; i < count; ++i)
            country.push_back(county(QStringLiteral("L%1").arg(i), QString::number(i + 1)));
        LoadedWindow window(country);
        QCOMPARE(window.parts.regionList()->count(), count + 2);
        window.visa();
        QCOMPARE(window.parts.column().size(), count);
        QCOMPARE(window.parts.column().last(), QStringLiteral("L32999"));
        window.service.answer(County, {});
        window.choose("L32999");
        window.visa();
        QCOMPARE(window.service.countyArguments(), QStringList{"33000"});
    }

    void failureLosesNothing_data()
    {
        QTest::addColumn<bool>("wholeCountry");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("byTimer");
        QTest::newRow("whole country, fault, Visa") << true << "fault" << false;
        QTest::newRow("whole country, HTTP error, refresh") << true << "HTTP error" << true;
        QTest::newRow("county, fault, refresh") << false << "fault" << true;
        QTest::newRow("county, HTTP error, Visa") << false << "HTTP error" << false;
    }

    // A failed fetch is reported in one box, modal to the window only, and leaves the rows, the
    // list and the count as they were (a failed refresh counts from the failure). A second
    // failure takes over the open box; the next fetch that works closes it.
    void failureLosesNothing()
    {
        QFETCH(bool, wholeCountry);
        QFETCH(QString, failure);
        QFETCH(bool, byTimer);
        LoadedWindow window(threeCounties());
        window.visa();
        const QStringList rowsBefore = window.parts.column();
        window.tickedByHand();
        window.parts.tick(35);
        if (!wholeCountry)
            window.choose("Uppsala l\u00e4n");
        const QString shown = window.parts.regionList()->currentText();

        // Markup in a fault string is shown as the characters it is made of.
        const QString faultString = QStringLiteral("<b>Tj\u00e4nsten</b> &amp; \u00e4r st\u00e4ngd");
        if (failure == "fault")
            window.service.fault(faultString);
        else
            window.service.reply(testsupport::CannedReply::withStatus(503, "nere", "text/plain"));
        byTimer ? window.parts.tick(26) : window.visa();
        QMessageBox *box = window.parts.errorBox();
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowTitle(), QStringLiteral("Kestrova 2003 Viewer"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        if (failure == "fault") {
            QCOMPARE(box->text(), faultString + "\n\nFel -2147221504 (0x80040000)\nK\u00e4lla: "
                                      + (wholeCountry ? "wsm_getCountryResultsValnatt"
                                                      : "wsm_getCountyResultsValnatt"));
        }
        QCOMPARE(window.parts.column(), rowsBefore);
        QCOMPARE(entries(window.parts.regionList()).size(), 5);
        QCOMPARE(window.parts.regionList()->currentText(), shown);
        QVERIFY(window.parts.freshness().startsWith(
            "Hela landet \u00b7 2003-09-14T22:00:00 \u00b7 Senaste h\u00e4mtningen misslyckades "));
        window.parts.tick();
        QCOMPARE(window.parts.status(), countdownText(byTimer ? 59 : 24));

        window.service.fault("Fortfarande nere");
        byTimer ? window.parts.tick(60) : window.visa();
        QCOMPARE(window.form->findChildren<QMessageBox *>().size(), 1);
        QVERIFY(box->isVisible());
        QVERIFY(box->text().startsWith("Fortfarande nere\n"));

        auto later = threeCounties();
        later[0].values[0] = "2003-09-14T23:58:02";
        window.service.answer(wholeCountry ? Country : County, later);
        byTimer ? window.parts.tick(61) : window.visa();
        QVERIFY(!box->isVisible());
        QCOMPARE(window.parts.column().size(), 4);
        QCOMPARE(window.parts.freshness(), shown + QStringLiteral(" \u00b7 2003-09-14T23:58:02"));
    }

    // A refresh of the shown region keeps the selected row and the scroll position, whether the
    // rows change in place or are rebuilt; another region starts at the top with none selected.
    void placeKept_data()
    {
        QTest::addColumn<QString>("refresh");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("scrolled");
        QTest::newRow("new figures") << "new figures" << "L30" << 20;
        QTest::newRow("a row more") << "a row more" << "L30" << 20;
        QTest::newRow("selected row gone") << "selected row gone" << "" << 20;
        QTest::newRow("another region") << "another region" << "" << 0;
    }

    void placeKept()
    {
        QFETCH(QString, refresh);
        QFETCH(QString, selected);
        QFETCH(int, scrolled);
        std::vector<ResultRow> rows;
        for (int i = 0; i < 60; ++i)
            rows.push_back(county(QStringLiteral("L%1").arg(i), QString::number(i + 1)));
        LoadedWindow window(rows);
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        window.visa();
        QTreeView *table = window.parts.table();
        table->setCurrentIndex(table->model()->index(30, 0));
        table->verticalScrollBar()->setValue(20);

        if (refresh == "new figures")
            rows[30].values[4] = "999";
        else if (refresh == "a row more")
            rows.push_back(county("L60", "61"));
        else if (refresh == "selected row gone")
            rows.erase(rows.begin() + 30);
        // One answer serves either call: the county's for another region.
        window.service.answer(refresh == "another region" ? County : Country, rows);
        if (refresh == "another region")
            window.choose("L5");
        window.visa();

        const QModelIndexList chosen = table->selectionModel()->selectedRows();
        QCOMPARE(chosen.isEmpty() ? QString() : chosen.first().data().toString(), selected);
        QCOMPARE(table->verticalScrollBar()->value(), scrolled);
    }

    // A cell too narrow for its text shows the whole text as a tool tip; others show none. What
    // a screen reader reads of a cell is always whole.
    void cutCellShowsWholeText()
    {
        ResultRow big = county("V\u00e4stra G\u00f6talands l\u00e4n", "14");
        big.values[6] = "50000000000";
        LoadedWindow window({big});
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        window.visa();
        QTreeView *table = window.parts.table();
        const auto tipAt = [&](int column) {
            const QRect cell = table->visualRect(table->model()->index(0, column));
            QHelpEvent hover(QEvent::ToolTip, cell.center(), table->viewport()->mapToGlobal(cell.center()));
            QApplication::sendEvent(table->viewport(), &hover);
            QLabel *tip = WindowParts::visibleToolTip();
            return tip ? tip->text() : QString();
        };
        QCOMPARE(tipAt(0), QStringLiteral("V\u00e4stra G\u00f6talands l\u00e4n"));
        QCOMPARE(tipAt(1), QStringLiteral("40,0% (50000000000)"));
        tipAt(4);
        QTRY_VERIFY(!WindowParts::visibleToolTip());

        QAccessibleTableInterface *cells = QAccessible::queryAccessibleInterface(table)->tableInterface();
        QVERIFY(cells);
        QCOMPARE(cells->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("40,0% (50000000000)"));
    }

    // Unticking stops the count and empties the text, keeping the counter; grayed changes
    // nothing; "&Visa" restarts the count at 60, cancelling a due refresh, its text waiting for
    // the next tick.
    void countAndControls_data()
    {
        QTest::addColumn<int>("ticksBefore"); // -1: never ticked
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("statusAfter");
        QTest::addColumn<QString>("nextTick");
        QTest::addColumn<bool>("running");
        QTest::newRow("untick") << 3 << "untick" << "" << countdownText(56) << false;
        QTest::newRow("gray") << 3 << "gray" << countdownText(57) << countdownText(56) << true;
        QTest::newRow("Visa while counting") << 30 << "Visa" << countdownText(30) << countdownText(59) << true;
        QTest::newRow("Visa while due") << 60 << "Visa" << "Uppdaterar!" << countdownText(59) << true;
        QTest::newRow("Visa while unticked") << -1 << "Visa" << "" << "" << false;
    }

    void countAndControls()
    {
        QFETCH(int, ticksBefore);
        QFETCH(QString, action);
        QFETCH(QString, statusAfter);
        QFETCH(QString, nextTick);
        QFETCH(bool, running);
        LoadedWindow window(threeCounties());
        auto *box = window.parts.child<QCheckBox>("Check1");
        box->setTristate(true);
        if (ticksBefore >= 0) {
            window.setTicked(true);
            window.parts.tick(ticksBefore);
        }
        if (action == "Visa")
            window.visa();
        else
            box->setCheckState(action == "untick" ? Qt::Unchecked : Qt::PartiallyChecked);
        QCOMPARE(window.parts.status(), statusAfter);
        QCOMPARE(window.parts.timer()->isActive(), running);
        QCOMPARE(window.service.calls(), action == "Visa" ? 1 : 0);
        if (!nextTick.isEmpty()) {
            window.parts.tick();
            QCOMPARE(window.parts.status(), nextTick);
        }
    }

    // Real one-second ticks, going on while the error box is up, and none piling up behind a
    // slow fetch.
    void realTicks()
    {
        LoadedWindow window(threeCounties());
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        window.service.fault("nere");
        window.visa();
        QVERIFY(window.parts.errorBox()->isVisible());
        window.setTicked(true);
        QTRY_COMPARE_WITH_TIMEOUT(window.parts.status(), countdownText(58), 3000);

        // A fetch that blocks for two and a half ticks is followed by at most one tick.
        auto slow = testsupport::CannedReply::ok(
            AnswerWriter(WireStyle::Inline).write(Country, {}));
        slow.delay = std::chrono::milliseconds(2500);
        window.service.reply(slow);
        window.service.clearRequests();
        window.parts.timer()->stop();
        while (window.parts.status() != QStringLiteral("Uppdaterar!"))
            window.parts.tick();
        window.parts.timer()->start();
        QTRY_COMPARE_WITH_TIMEOUT(window.service.calls(), 1, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(window.parts.status() != QStringLiteral("Uppdaterar!"), 5000);
        QVERIFY(!window.parts.errorBox()->isVisible());
        QTest::qWait(500);
        QVERIFY(window.parts.status() == countdownText(60) || window.parts.status() == countdownText(59));
    }

    // A screen reader hears of new figures once, politely, and not of every second counted.
    void whatScreenReadersAreTold()
    {
        LoadedWindow window(threeCounties());
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        window.visa();
        AccessibilityEvents events;
        window.tickedByHand();
        window.parts.tick(60);
        int descriptions = 0;
        for (const AccessibilityEvents::Event &event : events.take()) {
            QVERIFY2(event.type != QAccessible::NameChanged, qPrintable(event.name));
            descriptions += event.type == QAccessible::DescriptionChanged && event.role == QAccessible::StaticText;
        }
        QCOMPARE(descriptions, 61);

        const auto announcements = [&] {
            QStringList said;
            for (const AccessibilityEvents::Event &event : events.take()) {
                if (event.type == QAccessible::ObjectShow && event.role == QAccessible::Notification)
                    said << event.name;
            }
            return said;
        };
        window.parts.tick(); // the same figures again
        QCOMPARE(announcements(), QStringList());
        std::vector<ResultRow> later = {CannedService::row("Riket", "country", "00"),
                                        CannedService::row("Gotlands l\u00e4n", "county", "09")};
        later[0].values[4] = "7";
        window.service.answer(Country, later);
        window.visa();
        QCOMPARE(announcements(), QStringList{"Nya resultat f\u00f6r Hela landet"});
        window.choose("Gotlands l\u00e4n");
        window.service.answer(County, {});
        window.visa();
        QCOMPARE(announcements(), QStringList{"Nya resultat f\u00f6r Gotlands l\u00e4n"});
    }

    // Shown as often as asked, and nothing else changes.
    void aboutMessage()
    {
        LoadedWindow window(threeCounties());
        window.visa();
        window.choose("Gotlands l\u00e4n");
        window.tickedByHand();
        window.parts.tick(43);
        window.service.clearRequests();
        auto *about = window.parts.child<QPushButton>("Command2");
        const QString said = QStringLiteral("Kestrova 2003 Viewer|Kestrova 2003 Viewer 1.0 \u00e4r gjort av "
                                            KSV_AUTHOR_CREDIT "|0|0|1024"); // no icon, plain text, OK
        QCOMPARE(WindowParts::closingBoxes([&] { about->click(); about->click(); }),
                 QStringList({said, said}));
        QCOMPARE(window.parts.regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
        QCOMPARE(window.parts.column().size(), 4);
        QCOMPARE(window.parts.status(), countdownText(17));
        QCOMPARE(window.service.calls(), 0);
        window.parts.tick();
        QCOMPARE(window.parts.status(), countdownText(16));
    }
};

QTEST_MAIN(tst_RegionFetch)
#include "tst_regionfetch.moc"
