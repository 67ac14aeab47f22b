#include "applicationsetup.h"
#include "form1.h"
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

    static ServiceSettings deadService()
    {
        ServiceSettings settings;
        settings.wsdlUrl = WindowParts::deadAddress();
        return settings;
    }

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

    void windowIsFixedCentredWithoutMaximise()
    {
        QCOMPARE(m_form->size(), QSize(704, 488));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        const Qt::WindowFlags flags = m_form->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        const QPoint centre = m_form->screen()->availableGeometry().center();
        QVERIFY((m_form->frameGeometry().center() - centre).manhattanLength() <= 2);
    }

    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("caption");
        QTest::newRow("region list") << "CountyComboBox" << QRect(8, 8, 169, 21) << "";
        QTest::newRow("table") << "ListView1" << QRect(0, 40, 705, 433) << "";
        QTest::newRow("Visa") << "Command1" << QRect(192, 8, 81, 25) << "&Visa";
        QTest::newRow("check box") << "Check1" << QRect(568, 8, 129, 25) << "Automatisk uppdatering";
        QTest::newRow("status bar") << "StatusBar1" << QRect(0, 471, 704, 17) << "";
        QTest::newRow("Om") << "Command2" << QRect(280, 8, 81, 25) << "Om..";
    }

    // Every control in place, and every caption shown whole.
    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QString, caption);
        auto *widget = m_form->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), rect);
        QVERIFY(widget->isVisible() && widget->isEnabled());
        if (!caption.isEmpty()) {
            QCOMPARE(widget->property("text").toString(), caption);
            QVERIFY2(widget->sizeHint().width() <= widget->width(),
                     qPrintable(QStringLiteral("needs %1").arg(widget->sizeHint().width())));
            QVERIFY(widget->sizeHint().height() <= widget->height());
        }
    }

    // Denser screens: same proportions, rounded to the nearest pixel.
    void twipsAtOtherResolutions_data()
    {
        QTest::addColumn<qreal>("dpi");
        QTest::addColumn<QRect>("table");
        QTest::addColumn<int>("narrowColumn");
        QTest::newRow("120") << 120.0 << QRect(0, 50, 881, 541) << 83;
        QTest::newRow("144") << 144.0 << QRect(0, 60, 1058, 650) << 100;
    }

    void twipsAtOtherResolutions()
    {
        QFETCH(qreal, dpi);
        QFETCH(QRect, table);
        QFETCH(int, narrowColumn);
        const TwipScale twips(dpi);
        QCOMPARE(twips.rect(0, 600, 10575, 6495), table);
        QCOMPARE(twips.pixels(1000), narrowColumn);
    }

    void startState()
    {
        QCOMPARE(m_parts->child<QCheckBox>("Check1")->checkState(), Qt::Unchecked);
        QVERIFY(!m_parts->regionList()->isEditable());
        QCOMPARE(m_parts->regionList()->count(), 0);
        QCOMPARE(m_parts->table()->model()->rowCount(), 0);
        QVERIFY(m_parts->status().isEmpty());
        QVERIFY(m_parts->freshness().isEmpty());
        QCOMPARE(m_parts->timer()->interval(), 1000);
        QVERIFY(!m_parts->timer()->isActive());
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

    void columns_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("width");
        QTest::newRow("1") << 0 << QStringLiteral("Omr\u00e5de") << 96;
        QTest::newRow("2") << 1 << QStringLiteral("JA") << 96;
        QTest::newRow("3") << 2 << QStringLiteral("NEJ") << 96;
        QTest::newRow("4") << 3 << QStringLiteral("BLANK") << 96;
        QTest::newRow("5") << 4 << QStringLiteral("Ogiltliga") << 67;
        QTest::newRow("6") << 5 << QStringLiteral("Deltagande") << 67;
        QTest::newRow("7") << 6 << QStringLiteral("Distrikt klara") << 80;
        QTest::newRow("8") << 7 << QStringLiteral("Distrikt antal") << 80;
    }

    // Each header is shown whole, left-aligned, at its width.
    void columns()
    {
        QFETCH(int, column);
        QFETCH(QString, header);
        QFETCH(int, width);
        QTreeView *table = m_parts->table();
        QHeaderView *view = table->header();
        QCOMPARE(view->count(), 8);
        QCOMPARE(table->model()->headerData(column, Qt::Horizontal).toString(), header);
        QCOMPARE(view->sectionSize(column), width);
        QStyleOptionHeader option;
        option.initFrom(view);
        option.section = column;
        option.text = header;
        option.textAlignment = table->model()
                                   ->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)
                                   .value<Qt::Alignment>();
        QVERIFY(option.textAlignment & Qt::AlignLeft);
        const QSize needed = view->style()->sizeFromContents(QStyle::CT_HeaderSection, &option,
                                                             QSize(), view);
        QVERIFY2(needed.width() <= width, qPrintable(QStringLiteral("needs %1").arg(needed.width())));
        QVERIFY(needed.height() <= view->height());
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

    // Alt+V works from anywhere; Enter presses only the focused button, Esc none.
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, visaClicks);
        QFETCH(int, aboutClicks);
        m_form->findChild<QWidget *>(focus)->setFocus();
        QSignalSpy visa(m_parts->child<QPushButton>("Command1"), &QPushButton::clicked);
        QSignalSpy about(m_parts->child<QPushButton>("Command2"), &QPushButton::clicked);
        const QStringList boxes = WindowParts::closingBoxes([&] {
            QTest::keyClick(m_form->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            // An access key presses its button after a short delay, the way a click does; once.
            QTRY_COMPARE(visa.size(), visaClicks);
            QTest::qWait(150);
        });
        QCOMPARE(visa.size(), visaClicks);
        QCOMPARE(about.size(), aboutClicks);
        QCOMPARE(boxes.size(), aboutClicks);
        QCOMPARE(m_parts->child<QCheckBox>("Check1")->checkState(), Qt::Unchecked);
    }

    void title_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("title");
        QTest::newRow("minor 5") << "1.5.0" << "Kestrova 2003 Viewer 1.5";
        QTest::newRow("two-digit minor, revision never shown") << "2.10.7" << "Kestrova 2003 Viewer 2.10";
    }

    // The title is in place before the first service call: even a failed start shows it.
    void title()
    {
        QFETCH(QString, version);
        QFETCH(QString, title);
        QCoreApplication::setApplicationVersion(version);
        Form1 form(deadService());
        QCOMPARE(form.windowTitle(), QStringLiteral("Form1"));
        QVERIFY_THROWS_EXCEPTION(soap::RaisedError, form.Form_Load());
        QCOMPARE(form.windowTitle(), title);
    }
};

QTEST_MAIN(tst_Form1)
#include "tst_form1.moc"
