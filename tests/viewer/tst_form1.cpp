#include "applicationsetup.h"
#include "form1.h"
#include "ksv_config.h"
#include "raisederror.h"
#include "twipscale.h"
#include "windowparts.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionHeader>
#include <QTest>

// The window without a service. Each test gets a fresh one, shown and active.
class tst_Form1 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<WindowParts> m_parts;

private slots:
    void initTestCase()
    {
        ApplicationSetup::apply(*qApp);
        QCOMPARE(qApp->primaryScreen()->logicalDotsPerInch(), 96.0);
        QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(QFontInfo(QApplication::font()).pixelSize(), 10);
    }

    void init()
    {
        ApplicationSetup::apply(*qApp);
        m_form = std::make_unique<Form1>();
        m_parts = std::make_unique<WindowParts>(*m_form);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

    void cleanup()
    {
        m_parts.reset();
        m_form.reset();
    }

    // Fixed and centred. The controls in a row along the top, left to right, each caption shown
    // whole; the table below them and the status bar at the foot, both the window's width.
    void layout()
    {
        QCOMPARE(m_form->size(), QSize(704, 488));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        const Qt::WindowFlags flags = m_form->windowFlags();
        QVERIFY((flags & Qt::WindowMinimizeButtonHint) && (flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        const QPoint centre = m_form->screen()->availableGeometry().center();
        QVERIFY((m_form->frameGeometry().center() - centre).manhattanLength() <= 2);

        const QList<std::pair<const char *, QString>> row = {
            {"CountyComboBox", ""}, {"Command1", "&Visa"}, {"Command2", "Om.."},
            {"Check1", "Automatisk uppdatering"}};
        int right = 0;
        int bottom = 0;
        for (const auto &[name, caption] : row) {
            auto *widget = m_parts->child<QWidget>(name);
            QVERIFY(widget->isVisible() && widget->isEnabled());
            QVERIFY2(widget->y() == 8 && widget->x() > right, name);
            right = widget->geometry().right();
            bottom = std::max(bottom, widget->geometry().bottom());
            QCOMPARE(widget->property("text").toString(), caption);
            if (!caption.isEmpty())
                QVERIFY2(widget->sizeHint().boundedTo(widget->size()) == widget->sizeHint(), name);
        }
        QVERIFY(right < m_form->width());
        const QRect table = m_parts->table()->geometry();
        const QRect bar = m_parts->child<QWidget>("StatusBar1")->geometry();
        QVERIFY(table.top() > bottom && table.left() == 0 && table.width() >= m_form->width());
        QCOMPARE(bar, QRect(0, m_form->height() - bar.height(), m_form->width(), bar.height()));
        QVERIFY(qAbs(table.bottom() + 1 - bar.top()) <= 2);
        // Denser screens: the same proportions, rounded to the nearest pixel.
        QCOMPARE(TwipScale(120).rect(0, 600, 10575, 6495), QRect(0, 50, 881, 541));
    }

    // What a screen reader is told the window and its parts are.
    void accessibleRolesAndNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("accessibleName");
        QTest::newRow("window") << "" << int(QAccessible::Window) << "Form1";
        QTest::newRow("region list") << "CountyComboBox" << int(QAccessible::ComboBox) << "Region";
        QTest::newRow("table") << "ListView1" << int(QAccessible::Tree) << "Resultat";
        QTest::newRow("status bar") << "StatusBar1" << int(QAccessible::StatusBar) << "";
        QTest::newRow("countdown") << "CountdownText" << int(QAccessible::StaticText)
                                   << "Nästa uppdatering";
        QTest::newRow("new figures") << "NewFiguresNotice" << int(QAccessible::Notification) << "";
    }

    void accessibleRolesAndNames()
    {
        QFETCH(QString, name);
        QFETCH(int, role);
        QFETCH(QString, accessibleName);
        QObject *object = name.isEmpty() ? m_form.get() : m_form->findChild<QObject *>(name);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
        QVERIFY(iface);
        QCOMPARE(int(iface->role()), role);
        QCOMPARE(iface->text(QAccessible::Name), accessibleName);
        // On Linux a combo box is named by the entry it shows, and told what it is by its label.
        if (role == QAccessible::ComboBox) {
            const auto labels = iface->relations(QAccessible::Label);
            QCOMPARE(labels.size(), 1);
            QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Region"));
        }
    }

    // Each header shown whole, left-aligned, at its width.
    void columns()
    {
        const QStringList headers = {"Omr\u00e5de", "JA", "NEJ", "BLANK", "Ogiltliga", "Deltagande",
                                     "Distrikt klara", "Distrikt antal"};
        const int widths[] = {96, 96, 96, 96, 67, 67, 80, 80};
        QTreeView *table = m_parts->table();
        QHeaderView *view = table->header();
        QCOMPARE(view->count(), headers.size());
        for (int column = 0; column < headers.size(); ++column) {
            QStyleOptionHeader option;
            option.initFrom(view);
            option.section = column;
            option.text = table->model()->headerData(column, Qt::Horizontal).toString();
            option.textAlignment = table->model()
                                       ->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)
                                       .value<Qt::Alignment>();
            QCOMPARE(option.text, headers[column]);
            QCOMPARE(view->sectionSize(column), widths[column]);
            QVERIFY(option.textAlignment & Qt::AlignLeft);
            const QSize needed = view->style()->sizeFromContents(QStyle::CT_HeaderSection, &option,
                                                                 QSize(), view);
            QVERIFY2(needed.width() <= widths[column] && needed.height() <= view->height(),
                     qPrintable(headers[column]));
        }
    }

    void toolTipShownWhole()
    {
        auto *box = m_parts->child<QCheckBox>("Check1");
        const QPoint at = box->rect().center();
        QHelpEvent hover(QEvent::ToolTip, at, box->mapToGlobal(at));
        QApplication::sendEvent(box, &hover);
        QLabel *tip = nullptr;
        QTRY_VERIFY((tip = WindowParts::visibleToolTip()));
        QCOMPARE(tip->text(), QStringLiteral("Uppdaterar vald region en g\u00e5ng i minuten"));
        QVERIFY(tip->width() >= tip->sizeHint().width());
    }

    void tabOrder()
    {
        const QStringList order = {"CountyComboBox", "ListView1", "Command1", "Check1",
                                   "Command2", "CountyComboBox"};
        QCOMPARE(QApplication::focusWidget()->objectName(), order.first());
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(m_form->windowHandle(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
        }
        for (int i = order.size() - 2; i >= 0; --i) {
            QTest::keyClick(m_form->windowHandle(), Qt::Key_Backtab);
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
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, visaClicks);
        QFETCH(int, aboutClicks);
        m_form->findChild<QWidget *>(focus)->setFocus();
        QSignalSpy visa(m_parts->child<QPushButton>("Command1"), &QPushButton::clicked);
        const QStringList boxes = WindowParts::closingBoxes([&] {
            QTest::keyClick(m_form->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            // An access key presses its button after a short delay, the way a click does; once.
            QTRY_COMPARE(visa.size(), visaClicks);
            QTest::qWait(150);
        });
        QCOMPARE(visa.size(), visaClicks);
        const QString about = QStringLiteral("Kestrova 2003 Viewer|Kestrova 2003 Viewer 1.0 \u00e4r gjort av "
                                             KSV_AUTHOR_CREDIT "|0|0|1024"); // no icon, plain text, OK
        QCOMPARE(boxes, aboutClicks ? QStringList{about} : QStringList());
        QCOMPARE(m_parts->child<QCheckBox>("Check1")->checkState(), Qt::Unchecked);
    }

    // The title is in place before the first service call: even a failed start shows it. The
    // revision is never shown.
    void title()
    {
        QCoreApplication::setApplicationVersion("2.10.7");
        ServiceSettings dead;
        dead.wsdlUrl = WindowParts::deadAddress();
        Form1 form(dead);
        QCOMPARE(form.windowTitle(), QStringLiteral("Form1"));
        QVERIFY_THROWS_EXCEPTION(soap::RaisedError, form.Form_Load());
        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrova 2003 Viewer 2.10"));
    }
};

QTEST_MAIN(tst_Form1)
#include "tst_form1.moc"
