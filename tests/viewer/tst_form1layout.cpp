#include "applicationsetup.h"
#include "form1.h"
#include "form1testaccess.h"
#include "modalcloser.h"
#include "twipscale.h"

#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionHeader>
#include <QTest>

class tst_Form1Layout : public QObject
{
    Q_OBJECT

private:
    QWidget *control(Form1 &form, const QString &name)
    {
        auto *widget = form.findChild<QWidget *>(name);
        if (!widget)
            qFatal("no control %s", qPrintable(name));
        return widget;
    }

private slots:
    void initTestCase()
    {
        ApplicationSetup::apply(*qApp);
        QCOMPARE(qApp->primaryScreen()->logicalDotsPerInch(), 96.0);
    }

    void defaultFontResolves()
    {
        const QFont font = QApplication::font();
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(QFontInfo(font).pixelSize(), 10);
    }

    void windowIsFixedWithoutMaximise()
    {
        Form1 form;
        QCOMPARE(form.size(), QSize(704, 488));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.contextMenuPolicy(), Qt::NoContextMenu);
    }

    void windowIsCentredWhenShown()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPoint centre = form.screen()->availableGeometry().center();
        QVERIFY((form.frameGeometry().center() - centre).manhattanLength() <= 2);
    }

    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("region list") << "CountyComboBox" << QRect(8, 8, 169, 21);
        QTest::newRow("table") << "ListView1" << QRect(0, 40, 705, 433);
        QTest::newRow("Visa") << "Command1" << QRect(192, 8, 81, 25);
        QTest::newRow("check box") << "Check1" << QRect(568, 8, 129, 25);
        QTest::newRow("status bar") << "StatusBar1" << QRect(0, 471, 704, 17);
        QTest::newRow("Om") << "Command2" << QRect(280, 8, 81, 25);
    }

    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget *widget = control(form, name);
        QCOMPARE(widget->geometry(), rect);
        QVERIFY(widget->isVisible());
        QVERIFY(widget->isEnabled());
    }

    // Twips to pixels at denser screens: same proportions, rounded to the nearest pixel.
    void twipsAtOtherResolutions_data()
    {
        QTest::addColumn<qreal>("dpi");
        QTest::addColumn<QRect>("table");
        QTest::addColumn<int>("narrowColumn");
        QTest::newRow("96") << 96.0 << QRect(0, 40, 705, 433) << 67;
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
        Form1 form;
        Form1TestAccess access(form);
        QCOMPARE(access.showButton()->text(), QStringLiteral("&Visa"));
        QCOMPARE(access.aboutButton()->text(), QStringLiteral("Om.."));
        QCOMPARE(access.autoUpdate()->text(), QStringLiteral("Automatisk uppdatering"));
        QCOMPARE(access.autoUpdate()->toolTip(),
                 QStringLiteral("Uppdaterar vald region en g\u00e5ng i minuten"));
        QCOMPARE(access.autoUpdate()->checkState(), Qt::Unchecked);
        QVERIFY(!access.regionList()->isEditable());
        QCOMPARE(access.regionList()->count(), 0);
        QCOMPARE(access.table()->model()->rowCount(), 0);
        QVERIFY(access.statusBar()->currentMessage().isEmpty());
        QVERIFY(!access.statusBar()->isSizeGripEnabled());
        QCOMPARE(access.timer()->interval(), 1000);
        QVERIFY(!access.timer()->isActive());
        QCOMPARE(access.secondsLeft(), 0);
        for (QPushButton *button : {access.showButton(), access.aboutButton()})
            QVERIFY(!button->isDefault());
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
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTreeView *table = Form1TestAccess(form).table();
        QHeaderView *view = table->header();
        QCOMPARE(view->count(), 8);
        QCOMPARE(table->model()->headerData(column, Qt::Horizontal).toString(), header);
        QCOMPARE(view->sectionSize(column), width);
        const auto alignment = table->model()
                                   ->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)
                                   .value<Qt::Alignment>();
        QVERIFY(alignment & Qt::AlignLeft);

        QStyleOptionHeader option;
        option.initFrom(view);
        option.section = column;
        option.text = header;
        option.textAlignment = alignment;
        const QSize needed = view->style()->sizeFromContents(QStyle::CT_HeaderSection, &option,
                                                             QSize(), view);
        QVERIFY2(needed.width() <= width, qPrintable(QStringLiteral("needs %1").arg(needed.width())));
        QVERIFY(needed.height() <= view->height());
        // The columns leave a strip of empty header at the right.
        QVERIFY(view->length() < table->viewport()->width());
    }

    void captionsFit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Visa") << "Command1";
        QTest::newRow("Om") << "Command2";
        QTest::newRow("check box") << "Check1";
    }

    void captionsFit()
    {
        QFETCH(QString, name);
        Form1 form;
        QWidget *widget = control(form, name);
        QVERIFY2(widget->sizeHint().width() <= widget->width(),
                 qPrintable(QStringLiteral("needs %1 of %2")
                                .arg(widget->sizeHint().width())
                                .arg(widget->width())));
        QVERIFY(widget->sizeHint().height() <= widget->height());
    }

    void toolTipShownWhole()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCheckBox *box = Form1TestAccess(form).autoUpdate();
        const QPoint at = box->rect().center();
        QHelpEvent hover(QEvent::ToolTip, at, box->mapToGlobal(at));
        QApplication::sendEvent(box, &hover);
        const auto visibleTip = []() -> QLabel * {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == QLatin1String("qtooltip_label") && widget->isVisible())
                    return qobject_cast<QLabel *>(widget);
            }
            return nullptr;
        };
        QTRY_VERIFY(visibleTip());
        QLabel *tip = visibleTip();
        QCOMPARE(tip->text(), box->toolTip());
        QVERIFY(tip->width() >= tip->sizeHint().width());
    }

    void tabOrder()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QStringList order = {"CountyComboBox", "ListView1", "Command1", "Check1",
                                   "Command2", "CountyComboBox"};
        QCOMPARE(QApplication::focusWidget()->objectName(), order.first());
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(form.windowHandle(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
        }
        for (int i = order.size() - 2; i >= 0; --i) {
            QTest::keyClick(form.windowHandle(), Qt::Key_Backtab);
            QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
        }
    }

    void altVFromAnywhere_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char *name : {"CountyComboBox", "ListView1", "Command1", "Check1", "Command2"})
            QTest::newRow(name) << name;
    }

    void altVFromAnywhere()
    {
        QFETCH(QString, focus);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        control(form, focus)->setFocus();
        QSignalSpy visa(Form1TestAccess(form).showButton(), &QPushButton::clicked);
        QTest::keyClick(form.windowHandle(), Qt::Key_V, Qt::AltModifier);
        // An access key presses the button the way a click does, after a short delay.
        QTRY_COMPARE(visa.size(), 1);
        QTest::qWait(150);
        QCOMPARE(visa.size(), 1);
    }

    void enterAndEscape_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("visaClicks");
        QTest::addColumn<int>("aboutClicks");
        QTest::newRow("Enter on Visa") << "Command1" << int(Qt::Key_Return) << 1 << 0;
        QTest::newRow("keypad Enter on Visa") << "Command1" << int(Qt::Key_Enter) << 1 << 0;
        QTest::newRow("Enter on Om") << "Command2" << int(Qt::Key_Return) << 0 << 1;
        QTest::newRow("Enter on list") << "CountyComboBox" << int(Qt::Key_Return) << 0 << 0;
        QTest::newRow("Enter on table") << "ListView1" << int(Qt::Key_Return) << 0 << 0;
        QTest::newRow("Enter on check box") << "Check1" << int(Qt::Key_Return) << 0 << 0;
        QTest::newRow("Esc on Visa") << "Command1" << int(Qt::Key_Escape) << 0 << 0;
        QTest::newRow("Esc on Om") << "Command2" << int(Qt::Key_Escape) << 0 << 0;
        QTest::newRow("Esc on list") << "CountyComboBox" << int(Qt::Key_Escape) << 0 << 0;
    }

    void enterAndEscape()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, visaClicks);
        QFETCH(int, aboutClicks);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        control(form, focus)->setFocus();
        Form1TestAccess access(form);
        QSignalSpy visa(access.showButton(), &QPushButton::clicked);
        QSignalSpy about(access.aboutButton(), &QPushButton::clicked);
        ModalCloser closer;
        QTest::keyClick(form.windowHandle(), Qt::Key(key));
        QCOMPARE(visa.size(), visaClicks);
        QCOMPARE(about.size(), aboutClicks);
        QCOMPARE(closer.seen().size(), aboutClicks);
        QCOMPARE(access.autoUpdate()->checkState(), Qt::Unchecked);
    }
};

QTEST_MAIN(tst_Form1Layout)
#include "tst_form1layout.moc"
