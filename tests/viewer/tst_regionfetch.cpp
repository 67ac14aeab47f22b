#include "accessibilityevents.h"
#include "answerwriter.h"
#include "applicationsetup.h"
#include "ksv_config.h"
#include "loadedwindow.h"
#include "twipscale.h"

#include <QAccessible>
#include <QFontInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionHeader>
#include <QTest>
#include <QtGui/qpa/qwindowsysteminterface.h>

#include <thread>

namespace {

const QString Country = QStringLiteral("getCountryResultsValnatt");
const QString County = QStringLiteral("getCountyResultsValnatt");
const QString WholeCountry = QStringLiteral("Hela landet");
const QString Separator = QStringLiteral("----------------");

ResultRow county(const QString &name, const QString &code, const QString &type = QStringLiteral("county"))
{
    return CannedService::row(name, type, code);
}

std::vector<ResultRow> counties(int count)
{
    std::vector<ResultRow> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back(county(QStringLiteral("L%1").arg(i), QString::number(i)));
    return rows;
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

} // namespace

// The window loaded from a canned service, driven as a user would.
class TestRegionFetch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The layout is made for 96 dpi and a font of 10 pixels.
    void initTestCase()
    {
        ApplicationSetup::apply(*qApp);
        QCOMPARE(qApp->primaryScreen()->logicalDotsPerInch(), 96.0);
        QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(QFontInfo(QApplication::font()).pixelSize(), 10);
    }
    void init() { ApplicationSetup::apply(*qApp); }

    // Fixed and centred. The controls in a row along the top, left to right, each caption shown
    // whole; the table below them and the status bar at the foot, both the window's width; each
    // column's header shown whole, left-aligned, at its width.
    void layout()
    {
        LoadedWindow window(threeCounties());
        QVERIFY(window.parts.shown());
        QCOMPARE(window.form->size(), QSize(704, 488));
        QCOMPARE(window.form->minimumSize(), window.form->maximumSize());
        const Qt::WindowFlags flags = window.form->windowFlags();
        QVERIFY((flags & Qt::WindowMinimizeButtonHint) && (flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        const QPoint centre = window.form->screen()->availableGeometry().center();
        QVERIFY((window.form->frameGeometry().center() - centre).manhattanLength() <= 2);

        const QList<std::pair<const char *, QString>> row = {
            {"CountyComboBox", ""}, {"Command1", "&Visa"}, {"Command2", "Om.."},
            {"Check1", "Automatisk uppdatering"}};
        int right = 0;
        int bottom = 0;
        for (const auto &[name, caption] : row) {
            auto *widget = window.parts.child<QWidget>(name);
            QVERIFY(widget->isVisible() && widget->isEnabled());
            QVERIFY2(widget->y() == 8 && widget->x() > right, name);
            right = widget->geometry().right();
            bottom = std::max(bottom, widget->geometry().bottom());
            QCOMPARE(widget->property("text").toString(), caption);
            if (!caption.isEmpty())
                QVERIFY2(widget->sizeHint().boundedTo(widget->size()) == widget->sizeHint(), name);
        }
        QVERIFY(right < window.form->width());
        const QRect grid = window.parts.table()->geometry();
        const QRect bar = window.parts.child<QWidget>("StatusBar1")->geometry();
        QVERIFY(grid.top() > bottom && grid.left() == 0 && grid.width() >= window.form->width());
        QCOMPARE(bar, QRect(0, window.form->height() - bar.height(), window.form->width(), bar.height()));
        QVERIFY(qAbs(grid.bottom() + 1 - bar.top()) <= 2);
        // Denser screens: the same proportions, rounded to the nearest pixel.
        QCOMPARE(TwipScale(120).rect(0, 600, 10575, 6495), QRect(0, 50, 881, 541));

        const QStringList headers = {"Omr\u00e5de", "JA", "NEJ", "BLANK", "Ogiltliga", "Deltagande",
                                     "Distrikt klara", "Distrikt antal"};
        const int widths[] = {96, 96, 96, 96, 67, 67, 80, 80};
        QHeaderView *view = window.parts.table()->header();
        QCOMPARE(view->count(), headers.size());
        for (int column = 0; column < headers.size(); ++column) {
            QStyleOptionHeader option;
            option.initFrom(view);
            option.section = column;
            option.text = view->model()->headerData(column, Qt::Horizontal).toString();
            option.textAlignment =
                view->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
            QCOMPARE(option.text, headers[column]);
            QCOMPARE(view->sectionSize(column), widths[column]);
            QVERIFY(option.textAlignment & Qt::AlignLeft);
            const QSize needed = view->style()->sizeFromContents(QStyle::CT_HeaderSection, &option,
                                                                 QSize(), view);
            QVERIFY2(needed.width() <= widths[column] && needed.height() <= view->height(),
                     qPrintable(headers[column]));
        }
    }

    // What a screen reader is told the window and its parts are. On Linux a combo box is named
    // by the entry it shows, and told what it is by its label.
    void accessibleRolesAndNames()
    {
        LoadedWindow window(threeCounties());
        QVERIFY(window.parts.shown());
        const QList<std::tuple<const char *, QAccessible::Role, QString>> parts = {
            {"", QAccessible::Window, "Kestrova 2003 Viewer 1.0"},
            {"CountyComboBox", QAccessible::ComboBox, "Hela landet"},
            {"ListView1", QAccessible::Tree, "Resultat"},
            {"StatusBar1", QAccessible::StatusBar, ""},
            {"CountdownText", QAccessible::StaticText, "N\u00e4sta uppdatering"},
            {"NewFiguresNotice", QAccessible::Notification, ""}};
        for (const auto &[name, role, accessibleName] : parts) {
            QObject *object = *name ? window.form->findChild<QObject *>(name) : window.form.get();
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
            QVERIFY2(iface && iface->role() == role, name);
            QCOMPARE(iface->text(QAccessible::Name), accessibleName);
        }
        const auto labels =
            QAccessible::queryAccessibleInterface(window.parts.regionList())->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Region"));
    }

    void tabOrder()
    {
        LoadedWindow window(threeCounties());
        QVERIFY(window.parts.shown());
        const QStringList order = {"CountyComboBox", "ListView1", "Command1", "Check1",
                                   "Command2", "CountyComboBox"};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(window.form->windowHandle(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
        }
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("visaClicks");
        QTest::addColumn<int>("aboutClicks");
        for (const char *name : {"CountyComboBox", "ListView1", "Command1", "Check1", "Command2"})
            QTest::addRow("Alt+V on %s", name) << name << int(Qt::Key_V) << int(Qt::AltModifier) << 1 << 0;
        QTest::newRow("Enter on Visa") << "Command1" << int(Qt::Key_Return) << 0 << 1 << 0;
        QTest::newRow("Enter on Om") << "Command2" << int(Qt::Key_Return) << 0 << 0 << 1;
        QTest::newRow("Enter on check box") << "Check1" << int(Qt::Key_Return) << 0 << 0 << 0;
        QTest::newRow("Esc on Visa") << "Command1" << int(Qt::Key_Escape) << 0 << 0 << 0;
    }

    // Alt+V works from anywhere; Enter presses only the focused button, Esc none. "Om.." tells
    // who made the program, in plain text with no icon, and nothing else.
    void keys()
    {
        LoadedWindow window(threeCounties());
        QVERIFY(window.parts.shown());
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, visaClicks);
        QFETCH(int, aboutClicks);
        window.form->findChild<QWidget *>(focus)->setFocus();
        QSignalSpy visa(window.parts.child<QPushButton>("Command1"), &QPushButton::clicked);
        const QStringList boxes = WindowParts::closingBoxes([&] {
            QTest::keyClick(window.form->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            // An access key presses its button after a short delay, the way a click does; once.
            QTRY_COMPARE(visa.size(), visaClicks);
            QTest::qWait(150);
        });
        QCOMPARE(visa.size(), visaClicks);
        const QString about = QStringLiteral("Kestrova 2003 Viewer|Kestrova 2003 Viewer 1.0 \u00e4r gjort av "
                                             KSV_AUTHOR_CREDIT "|0|0|1024"); // no icon, plain text, OK
        QCOMPARE(boxes, aboutClicks ? QStringList{about} : QStringList());
        QCOMPARE(window.parts.child<QCheckBox>("Check1")->checkState(), Qt::Unchecked);
    }

    // Counties become entries, every element a row; each fetch of the whole country rebuilds
    // the list. Choosing fetches nothing; a county's fetch leaves the list alone; every fetch
    // gets a client of its own.
    void wholeCountryAndCounty()
    {
        LoadedWindow window(threeCounties());
        QVERIFY(window.parts.column().isEmpty());
        auto changed = threeCounties();
        changed.erase(changed.begin() + 2);
        window.service.answer(Country, changed);
        window.parts.visa();
        QCOMPARE(window.parts.column(), (QStringList{"Riket", "Stockholms l\u00e4n", "Gotlands l\u00e4n"}));
        const QStringList list = {WholeCountry, Separator, "Stockholms l\u00e4n", "Gotlands l\u00e4n"};
        QCOMPARE(window.parts.regions(), list);
        QCOMPARE(window.parts.freshness(), QStringLiteral("Hela landet \u00b7 2003-09-14T22:00:00"));

        window.parts.choose("Gotlands l\u00e4n");
        QCOMPARE(window.service.calls(), 1);
        window.service.answer(County, {county("Gotland", "0980", "municipality")});
        window.parts.visa();
        window.parts.visa();
        QCOMPARE(window.service.countyArguments(), (QStringList{"09", "09"}));
        QCOMPARE(window.service.wsdlFetches(), 3);
        QCOMPARE(window.parts.column(), QStringList{"Gotland"});
        QCOMPARE(window.parts.regions(), list);
        QCOMPARE(window.parts.regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
        QCOMPARE(window.parts.freshness(), QStringLiteral("Gotlands l\u00e4n \u00b7 2003-09-14T22:00:00"));
    }

    // None, or more than a 16-bit index could count, in the list, the dictionary and the table.
    void countrySize_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("none") << 0;
        QTest::newRow("33000") << 33000;
    }

    void countrySize()
    {
        QFETCH(int, count);
        LoadedWindow window(counties(count));
        QCOMPARE(window.parts.regionList()->count(), count + 2);
        window.parts.visa();
        QCOMPARE(window.parts.column().size(), count);
        QCOMPARE(window.parts.freshness(), WholeCountry + (count ? QStringLiteral(" \u00b7 2003-09-14T22:00:00")
                                                                 : QStringLiteral(" \u00b7 tid ok\u00e4nd")));
        window.service.answer(County, {});
        window.parts.choose(QStringLiteral("L%1").arg(count));
        window.parts.visa();
        QCOMPARE(window.service.countyArguments(), count ? QStringList{"33000"} : QStringList());
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
        QTest::newRow("code 00") << county << "00" << "nothing";
        QTest::newRow("empty") << county << "" << "not a number";
        QTest::newRow("exponent") << county << "1e3" << "not a number";
        QTest::newRow("arabic-indic digit") << county << "\u0661" << "not a number";
    }

    void countyCode()
    {
        QFETCH(QString, choice);
        QFETCH(QString, code);
        QFETCH(QString, outcome);
        LoadedWindow window({county("L\u00e4net", code)});
        window.parts.visa();
        window.service.answer(County, {county("Kommunen", "1")});
        window.parts.tickedByHand();
        window.parts.tick(48);
        window.parts.choose(choice);
        window.service.clearRequests();
        window.parts.visa();
        const bool fetched = outcome == "fetched";
        QCOMPARE(window.service.countyArguments(), fetched ? QStringList{code} : QStringList());
        QCOMPARE(window.parts.column(), QStringList{fetched ? "Kommunen" : "L\u00e4net"});
        QCOMPARE(window.parts.status(), countdownText(12));
        window.parts.tick();
        const bool failed = outcome == "not a number";
        QCOMPARE(window.parts.status(), countdownText(failed ? 11 : 59));
        QCOMPARE(window.parts.errorBox() && window.parts.errorBox()->isVisible(), failed);
        if (failed) {
            QCOMPARE(window.parts.errorBox()->text(), "L\u00e4net \"L\u00e4net\" har koden \"" + code
                         + "\", som inte \u00e4r ett tal.\n\nFel 13 (0x0000000d)\nK\u00e4lla: ShowSelectedRegion");
        }
    }

    void failureLosesNothing_data()
    {
        QTest::addColumn<bool>("wholeCountry");
        QTest::addColumn<bool>("fault"); // else an HTTP error
        QTest::addColumn<bool>("byTimer");
        QTest::newRow("whole country, fault, Visa") << true << true << false;
        QTest::newRow("whole country, HTTP error, refresh") << true << false << true;
        QTest::newRow("county, fault, refresh") << false << true << true;
        QTest::newRow("county, HTTP error, Visa") << false << false << false;
    }

    // A failed fetch is reported in one box, modal to the window only, and leaves the rows, the
    // list and the count as they were (a failed refresh counts from the failure). A second
    // failure takes over the open box; the next fetch that works closes it.
    void failureLosesNothing()
    {
        QFETCH(bool, wholeCountry);
        QFETCH(bool, fault);
        QFETCH(bool, byTimer);
        LoadedWindow window(threeCounties());
        window.parts.visa();
        window.parts.tickedByHand();
        window.parts.tick(35);
        if (!wholeCountry)
            window.parts.choose("Uppsala l\u00e4n");
        const QString shown = window.parts.regionList()->currentText();
        const auto fetch = [&](int ticks) { byTimer ? window.parts.tick(ticks) : window.parts.visa(); };

        // Markup in a fault string is shown as the characters it is made of.
        const QString faultString = QStringLiteral("<b>Tj\u00e4nsten</b> &amp; \u00e4r st\u00e4ngd");
        if (fault)
            window.service.fault(faultString);
        else
            window.service.reply(testsupport::CannedReply::withStatus(503, "nere", "text/plain"));
        fetch(26);
        QMessageBox *box = window.parts.errorBox();
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        if (fault) {
            QCOMPARE(box->text(), faultString + "\n\nFel -2147221504 (0x80040000)\nK\u00e4lla: wsm_get"
                                      + (wholeCountry ? "Country" : "County") + "ResultsValnatt");
        }
        QCOMPARE(window.parts.column().size(), 4);
        QCOMPARE(window.parts.regions().size(), 5);
        QCOMPARE(window.parts.regionList()->currentText(), shown);
        QVERIFY(window.parts.freshness().startsWith(
            "Hela landet \u00b7 2003-09-14T22:00:00 \u00b7 Senaste h\u00e4mtningen misslyckades "));
        window.parts.tick();
        QCOMPARE(window.parts.status(), countdownText(byTimer ? 59 : 24));

        window.service.fault("Fortfarande nere");
        fetch(60);
        QCOMPARE(window.form->findChildren<QMessageBox *>().size(), 1);
        QVERIFY(box->isVisible() && box->text().startsWith("Fortfarande nere\n"));

        auto later = threeCounties();
        later[0].values[0] = "2003-09-14T23:58:02";
        window.service.answer(wholeCountry ? Country : County, later);
        fetch(61);
        QVERIFY(!box->isVisible());
        QCOMPARE(window.parts.freshness(), shown + QStringLiteral(" \u00b7 2003-09-14T23:58:02"));
    }

    // A refresh of the shown region keeps the selected row and the scroll position, whether the
    // rows change in place or are rebuilt; another region starts at the top with none selected.
    void placeKept_data()
    {
        QTest::addColumn<QString>("refresh");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("scrolled");
        QTest::newRow("new figures") << "new figures" << "L31" << 20;
        QTest::newRow("a row more") << "a row more" << "L31" << 20;
        QTest::newRow("selected row gone") << "selected row gone" << "" << 20;
        QTest::newRow("another region") << "another region" << "" << 0;
    }

    void placeKept()
    {
        QFETCH(QString, refresh);
        QFETCH(QString, selected);
        QFETCH(int, scrolled);
        std::vector<ResultRow> rows = counties(60);
        LoadedWindow window(rows);
        QVERIFY(window.parts.shown());
        window.parts.visa();
        QTreeView *table = window.parts.table();
        table->setCurrentIndex(table->model()->index(30, 0));
        table->verticalScrollBar()->setValue(20);

        if (refresh == "new figures")
            rows[30].values[4] = "999";
        else if (refresh == "a row more")
            rows.push_back(county("L61", "61"));
        else if (refresh == "selected row gone")
            rows.erase(rows.begin() + 30);
        // One answer serves either call: the county's for another region.
        window.service.answer(refresh == "another region" ? County : Country, rows);
        if (refresh == "another region")
            window.parts.choose("L5");
        window.parts.visa();

        const QModelIndexList chosen = table->selectionModel()->selectedRows();
        QCOMPARE(chosen.isEmpty() ? QString() : chosen.first().data().toString(), selected);
        QCOMPARE(table->verticalScrollBar()->value(), scrolled);
    }

    // A cell too narrow for its text, and the check box, show their whole text as a tool tip;
    // other cells none. What a screen reader reads of a cell is always whole.
    void toolTips()
    {
        ResultRow big = county("V\u00e4stra G\u00f6talands l\u00e4n", "14");
        big.values[6] = "50000000000";
        LoadedWindow window({big});
        QVERIFY(window.parts.shown());
        window.parts.visa();
        const auto tipAt = [](QWidget *widget, QPoint at) {
            QHelpEvent hover(QEvent::ToolTip, at, widget->mapToGlobal(at));
            QApplication::sendEvent(widget, &hover);
            QLabel *tip = WindowParts::visibleToolTip();
            return tip && tip->width() >= tip->sizeHint().width() ? tip->text() : QString();
        };
        QTreeView *table = window.parts.table();
        const auto cellTip = [&](int column) {
            return tipAt(table->viewport(), table->visualRect(table->model()->index(0, column)).center());
        };
        QCOMPARE(cellTip(0), QStringLiteral("V\u00e4stra G\u00f6talands l\u00e4n"));
        QCOMPARE(cellTip(1), QStringLiteral("40,0% (50000000000)"));
        cellTip(4);
        QTRY_VERIFY(!WindowParts::visibleToolTip());
        QAccessibleTableInterface *cells = QAccessible::queryAccessibleInterface(table)->tableInterface();
        QCOMPARE(cells->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("40,0% (50000000000)"));
        auto *box = window.parts.child<QCheckBox>("Check1");
        QCOMPARE(tipAt(box, box->rect().center()), QStringLiteral("Uppdaterar vald region en g\u00e5ng i minuten"));
    }

    // While a fetch waits, what comes meanwhile waits for its end: keys, a click and a request to
    // close from another thread, as input devices deliver them; ticks that fall due; a timer event
    // posted, as Windows posts fast timers. Then one tick follows, the keys and the click are
    // handled in the order they came, and the window closes.
    void nothingRunsWhileAFetchWaits()
    {
        using Input = QWindowSystemInterface;
        LoadedWindow window(threeCounties());
        QVERIFY(window.parts.shown());
        QWindow *handle = window.form->windowHandle();
        auto *visa = window.parts.child<QPushButton>("Command1");
        QStringList ran;
        connect(visa, &QPushButton::clicked, [&] { ran << window.parts.regionList()->currentText(); });
        connect(window.parts.timer(), &QTimer::timeout, [&] { ran << window.parts.status(); });
        auto slow = testsupport::CannedReply::ok(AnswerWriter(WireStyle::Inline).write(Country, threeCounties()));
        slow.delay = std::chrono::milliseconds(2500);
        window.service.reply(slow);
        window.parts.setTicked(true);
        QCoreApplication::postEvent(window.parts.timer(), new QTimerEvent(window.parts.timer()->timerId()));
        // Made here, or the other thread would make them, children of the application.
        QInputDevice::primaryKeyboard();
        QPointingDevice::primaryPointingDevice();
        std::thread user([&] {
            while (window.service.calls() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            window.service.answer(County, {county("Uppsala", "0380", "municipality")});
            for (int i = 0; i < 6; ++i) // Down three times: past the separator and Stockholm
                Input::handleKeyEvent<Input::AsynchronousDelivery>(
                    handle, i % 2 ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            const QPointF at = visa->geometry().center();
            for (const auto &[buttons, type] : {std::pair(Qt::LeftButton, QEvent::MouseButtonPress),
                                                std::pair(Qt::NoButton, QEvent::MouseButtonRelease)})
                Input::handleMouseEvent<Input::AsynchronousDelivery>(handle, at, handle->mapToGlobal(at),
                                                                     buttons, Qt::LeftButton, type);
            Input::handleCloseEvent<Input::AsynchronousDelivery>(handle);
        });
        window.parts.visa();
        user.join();
        QCOMPARE(ran, QStringList{WholeCountry});
        QVERIFY(window.form->isVisible());
        QTRY_VERIFY(!window.form->isVisible());
        QCOMPARE(ran, (QStringList{WholeCountry, countdownText(59), "Uppsala l\u00e4n"}));
        QCOMPARE(window.service.countyArguments(), QStringList{"03"});
    }

    // The count runs from 60 down to "1 sekund", shows "Uppdaterar!" for a tick and refreshes on
    // the 61st. Grayed changes nothing; unticking stops the count and empties its text, keeping
    // the counter.
    void countdown()
    {
        LoadedWindow window(threeCounties());
        auto *box = window.parts.child<QCheckBox>("Check1");
        box->setTristate(true);
        window.parts.setTicked(true);
        QCOMPARE(window.parts.status(), countdownText(60));
        window.parts.tick(59);
        box->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(window.parts.status(), QStringLiteral("Uppdatering om 1 sekund"));
        QVERIFY(window.parts.timer()->isActive());
        box->setCheckState(Qt::Unchecked);
        QCOMPARE(window.parts.status(), QString());
        QVERIFY(!window.parts.timer()->isActive());
        window.parts.tick();
        QCOMPARE(window.parts.status(), QStringLiteral("Uppdaterar!"));
        QCOMPARE(window.service.calls(), 0);
        window.parts.tick();
        QCOMPARE(window.service.calls(), 1);
        QCOMPARE(window.parts.status(), countdownText(60));
    }

    // A screen reader hears of new figures once, politely, and not of every second counted.
    void whatScreenReadersAreTold()
    {
        LoadedWindow window(threeCounties());
        QVERIFY(window.parts.shown());
        window.parts.visa();
        AccessibilityEvents events;
        window.parts.tickedByHand();
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
        auto later = threeCounties();
        later[0].values[4] = "7";
        window.service.answer(Country, later);
        window.parts.visa();
        QCOMPARE(announcements(), QStringList{"Nya resultat f\u00f6r Hela landet"});
        window.parts.choose("Gotlands l\u00e4n");
        window.service.answer(County, {});
        window.parts.visa();
        QCOMPARE(announcements(), QStringList{"Nya resultat f\u00f6r Gotlands l\u00e4n"});
    }
};

QTEST_MAIN(TestRegionFetch)
#include "tst_regionfetch.moc"
