#include "ksv_config.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

// The desktop entry and the metainfo, generated from their templates, as the validators that
// software centres and menus run see them. Their texts are the templates': not restated here.
class TestDesktopFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validates_data();
    void validates();
};

void TestDesktopFiles::validates_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("warningsFail");
    const QString desktop = QStringLiteral(KSV_TEST_DESKTOP_FILE);
    const QString metainfo = QStringLiteral(KSV_TEST_METAINFO_FILE);
    // desktop-file-validate exits 0 on warnings too; they are worth fixing all the same.
    QTest::newRow("desktop entry") << desktop << QStringLiteral(KSV_TEST_DESKTOP_FILE_VALIDATE)
                                   << QStringList{desktop} << true;
    QTest::newRow("metainfo") << metainfo << QStringLiteral(KSV_TEST_APPSTREAMCLI)
                              << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral("--explain"), metainfo}
                              << false;
}

void TestDesktopFiles::validates()
{
    QFETCH(QString, file);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, warningsFail);
    // Menus and software centres find both by the application id.
    QVERIFY(QFileInfo(file).fileName().startsWith(QStringLiteral(KSV_TEST_APP_ID ".")));
    if (program.isEmpty())
        QSKIP("validator not installed (desktop-file-utils, appstream)");
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(program, arguments);
    QVERIFY(validator.waitForFinished(60000) && validator.exitStatus() == QProcess::NormalExit);
    const QString output = QString::fromUtf8(validator.readAll());
    QVERIFY2(validator.exitCode() == 0 && (!warningsFail || output.trimmed().isEmpty()),
             qPrintable(output));
}

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
