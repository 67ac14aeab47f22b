#include "applicationsetup.h"
#include "deadport.h"
#include "form1.h"
#include "form1testaccess.h"
#include "ksv_config.h"
#include "modalcloser.h"
#include "raisederror.h"
#include "records.h"

#include <QTest>

namespace {

ServiceSettings deadService()
{
    ServiceSettings settings;
    settings.wsdlUrl = QStringLiteral("http://127.0.0.1:%1/ElectionResults.wsdl").arg(DeadPort::take());
    return settings;
}

} // namespace

class tst_TitleAbout : public QObject
{
    Q_OBJECT

private slots:
    void init() { ApplicationSetup::apply(*qApp); }

    void title_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("title");
        QTest::newRow("built") << QStringLiteral(KSV_VERSION) << "Kestrova 2003 Viewer 1.0";
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
        QVERIFY(QTest::qWaitForWindowExposed(&form));
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
};

QTEST_MAIN(tst_TitleAbout)
#include "tst_titleabout.moc"
