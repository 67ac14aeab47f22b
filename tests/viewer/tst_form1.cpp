#include "applicationsetup.h"
#include "deadport.h"
#include "errornumbers.h"
#include "form1.h"
#include "form1testaccess.h"
#include "ksv_config.h"
#include "modalcloser.h"
#include "raisederror.h"
#include "records.h"
#include "twipscale.h"

#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionHeader>
#include <QTest>

Q_DECLARE_METATYPE(soap::Variant)

// The window without a service. Each test gets a fresh one, shown and active.
class tst_Form1 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<Form1TestAccess> m_access;

    QStringList cells(int row) const
    {
        QStringList texts;
        for (int column = 0; column < m_access->table()->model()->columnCount(); ++column)
            texts << m_access->table()->model()->index(row, column).data().toString();
        return texts;
    }

    QStringList names() const
    {
        QStringList texts;
        for (int row = 0; row < m_access->table()->model()->rowCount(); ++row)
            texts << cells(row).first();
        return texts;
    }

    static QLabel *visibleToolTip()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("qtooltip_label") && widget->isVisible())
                return qobject_cast<QLabel *>(widget);
        }
        return nullptr;
    }

    static ServiceSettings deadService()
    {
        ServiceSettings settings;
        settings.wsdlUrl = QStringLiteral("http://127.0.0.1:%1/ElectionResults.wsdl").arg(DeadPort::take());
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
        m_access = std::make_unique<Form1TestAccess>(*m_form);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

    void cleanup()
    {
        m_access.reset();
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
        QCOMPARE(m_access->autoUpdate()->checkState(), Qt::Unchecked);
        QVERIFY(!m_access->regionList()->isEditable());
        QCOMPARE(m_access->regionList()->count(), 0);
        QCOMPARE(m_access->table()->model()->rowCount(), 0);
        QVERIFY(m_access->statusBar()->currentMessage().isEmpty());
        QCOMPARE(m_access->timer()->interval(), 1000);
        QVERIFY(!m_access->timer()->isActive());
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
        QTreeView *table = m_access->table();
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
        QCheckBox *box = m_access->autoUpdate();
        const QPoint at = box->rect().center();
        QHelpEvent hover(QEvent::ToolTip, at, box->mapToGlobal(at));
        QApplication::sendEvent(box, &hover);
        QLabel *tip = nullptr;
        QTRY_VERIFY((tip = visibleToolTip()));
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
        QTest::newRow("keypad Enter on Visa") << "Command1" << int(Qt::Key_Enter) << 0 << 1 << 0;
        QTest::newRow("Enter on Om") << "Command2" << int(Qt::Key_Return) << 0 << 0 << 1;
        QTest::newRow("Enter on list") << "CountyComboBox" << int(Qt::Key_Return) << 0 << 0 << 0;
        QTest::newRow("Enter on table") << "ListView1" << int(Qt::Key_Return) << 0 << 0 << 0;
        QTest::newRow("Enter on check box") << "Check1" << int(Qt::Key_Return) << 0 << 0 << 0;
        QTest::newRow("Esc on Visa") << "Command1" << int(Qt::Key_Escape) << 0 << 0 << 0;
        QTest::newRow("Esc on Om") << "Command2" << int(Qt::Key_Escape) << 0 << 0 << 0;
        QTest::newRow("Esc on list") << "CountyComboBox" << int(Qt::Key_Escape) << 0 << 0 << 0;
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
        QSignalSpy visa(m_access->showButton(), &QPushButton::clicked);
        QSignalSpy about(m_access->aboutButton(), &QPushButton::clicked);
        ModalCloser closer;
        QTest::keyClick(m_form->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        // An access key presses its button after a short delay, the way a click does; once.
        QTRY_COMPARE(visa.size(), visaClicks);
        QTest::qWait(150);
        QCOMPARE(visa.size(), visaClicks);
        QCOMPARE(about.size(), aboutClicks);
        QCOMPARE(closer.seen().size(), aboutClicks);
        QCOMPARE(m_access->autoUpdate()->checkState(), Qt::Unchecked);
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

    // Shown as often as asked, and nothing else changes.
    void aboutMessage()
    {
        Form1 form(deadService());
        QVERIFY_THROWS_EXCEPTION(soap::RaisedError, form.Form_Load());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        Form1TestAccess access(form);
        access.fillRegionList({"Gotlands l\u00e4n"});
        access.regionList()->setCurrentIndex(2);
        access.addResultRow(*Records::region("Gotlands l\u00e4n"));
        access.setSecondsLeft(17);
        access.statusBar()->showMessage("Uppdatering om 17 sekunder");

        ModalCloser closer;
        QTest::mouseClick(access.aboutButton(), Qt::LeftButton);
        QTest::mouseClick(access.aboutButton(), Qt::LeftButton);
        QCOMPARE(closer.seen().size(), 2);
        for (const ModalCloser::Seen &box : closer.seen()) {
            QCOMPARE(box.text, "Kestrova 2003 Viewer 1.0 \u00e4r gjort av " KSV_AUTHOR_CREDIT);
            QCOMPARE(box.title, QStringLiteral("Kestrova 2003 Viewer"));
            QCOMPARE(box.icon, QMessageBox::NoIcon);
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
            QCOMPARE(box.format, Qt::PlainText);
        }

        QCOMPARE(form.windowTitle(), QStringLiteral("Kestrova 2003 Viewer 1.0"));
        QCOMPARE(access.regionList()->count(), 3);
        QCOMPARE(access.regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
        QCOMPARE(access.table()->model()->rowCount(), 1);
        QCOMPARE(access.statusBar()->currentMessage(), QStringLiteral("Uppdatering om 17 sekunder"));
        QCOMPARE(access.secondsLeft(), 17);
        QVERIFY(!access.timer()->isActive());
    }

    void rowTexts_data()
    {
        QTest::addColumn<QStringList>("members"); // the fifteen members in declaration order
        QTest::addColumn<QStringList>("cells");

        // The turnout count (member 14) is never shown.
        QTest::newRow("decimal comma")
            << QStringList{"2003-09-14 23:10", "county", "01", "Stockholms l\u00e4n", "712", "1010",
                           "734", "52,1", "650", "46,1", "25", "1,8", "12", "987654", "80,3"}
            << QStringList{"Stockholms l\u00e4n", "52,1% (734)", "46,1% (650)", "1,8% (25)", "12",
                           "80,3%", "712", "1010"};
        QTest::newRow("all empty")
            << QStringList(15, QString())
            << QStringList{"", "% ()", "% ()", "% ()", "", "%", "", ""};
        QTest::newRow("leading zeros and spaces")
            << QStringList{"", "", "", " Gotland ", "007", "0010", "0734", "052,10", " 650 ",
                           "46 ,1", "1 234", " ", "012", "99", "080,30"}
            << QStringList{" Gotland ", "052,10% (0734)", "46 ,1% ( 650 )", " % (1 234)", "012",
                           "080,30%", "007", "0010"};
        QTest::newRow("markup stays text")
            << QStringList{"", "", "", "<b>Sk\u00e5ne</b> &amp;", "<i>1</i>", "&lt;2&gt;", "<br>",
                           "1", "2", "3", "4", "5", "<a href='x'>6</a>", "7", "8"}
            << QStringList{"<b>Sk\u00e5ne</b> &amp;", "1% (<br>)", "3% (2)", "5% (4)",
                           "<a href='x'>6</a>", "8%", "<i>1</i>", "&lt;2&gt;"};
    }

    void rowTexts()
    {
        QFETCH(QStringList, members);
        QFETCH(QStringList, cells);
        auto record = std::make_shared<struct_QueryResult>();
        for (int i = 0; i < members.size(); ++i)
            QVERIFY(record->setMember(struct_QueryResult::memberNames()[std::size_t(i)], members[i]));
        m_access->showResults(Records::answer({record}));
        QCOMPARE(m_access->table()->model()->rowCount(), 1);
        QCOMPARE(this->cells(0), cells);
    }

    void showResultsAppends()
    {
        const soap::Variant answer = Records::answer({Records::region("R1"), Records::region("R2")});
        m_access->addResultRow(*Records::region("R0"));
        m_access->showResults(answer);
        m_access->showResults(Records::answer({}));
        m_access->showResults(answer);
        QCOMPARE(names(), (QStringList{"R0", "R1", "R2", "R1", "R2"}));
        m_access->clearResults();
        QCOMPARE(m_access->table()->model()->rowCount(), 0);
    }

    void notARecord_data()
    {
        QTest::addColumn<soap::Variant>("answer");
        QTest::addColumn<QStringList>("rows");
        const auto r = [](const char *name) { return Records::region(name); };
        // The rows before the bad element stay; the error says which element it was.
        QTest::newRow("no object") << Records::answer({r("R0"), r("R1"), nullptr, r("R3")})
                                   << QStringList{"X", "R0", "R1"};
        QTest::newRow("empty") << soap::Variant() << QStringList{"X"};
        QTest::newRow("text") << soap::Variant(QStringLiteral("text")) << QStringList{"X"};
    }

    void notARecord()
    {
        QFETCH(soap::Variant, answer);
        QFETCH(QStringList, rows);
        m_access->addResultRow(*Records::region("X"));
        try {
            m_access->showResults(answer);
            QFAIL("no error raised");
        } catch (const soap::RaisedError &error) {
            if (rows.size() > 1) {
                QCOMPARE(error.number(), soap::ErrorNumber::TypeMismatch);
                QCOMPARE(error.source(), QStringLiteral("ShowResults"));
                QVERIFY(error.description().contains(QLatin1String("2")));
            }
        }
        QCOMPARE(names(), rows);
    }
};

QTEST_MAIN(tst_Form1)
#include "tst_form1.moc"
