#include "ksv_config.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace {

const QString AppId = QStringLiteral(KSV_TEST_APP_ID);

// Passes when the validator exits 0 and, with warningsFail, prints nothing.
void validate(const QString &program, const QStringList &arguments, bool warningsFail)
{
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

} // namespace

class TestDesktopFiles : public QObject
{
    Q_OBJECT

private:
    QDomElement m_component;
    QDomDocument m_metainfo;

private Q_SLOTS:
    void initTestCase();
    void desktopEntryValidates();
    void metainfo_data();
    void metainfo();
    void metainfoHasBothLanguages();
    void metainfoValidates();
};

void TestDesktopFiles::initTestCase()
{
    QCOMPARE(QFileInfo(QStringLiteral(KSV_TEST_DESKTOP_FILE)).fileName(), AppId + ".desktop");
    QCOMPARE(QFileInfo(QStringLiteral(KSV_TEST_METAINFO_FILE)).fileName(), AppId + ".metainfo.xml");
    QFile file(QStringLiteral(KSV_TEST_METAINFO_FILE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString error;
    QVERIFY2(m_metainfo.setContent(&file, &error), qPrintable(error));
    m_component = m_metainfo.documentElement();
    const QDomNodeList releases = m_component.elementsByTagName(QStringLiteral("release"));
    QCOMPARE(releases.size(), 1);
    QCOMPARE(releases.at(0).toElement().attribute(QStringLiteral("version")), QStringLiteral(KSV_VERSION));
}

void TestDesktopFiles::desktopEntryValidates()
{
    // It exits 0 on warnings too; they are worth fixing all the same.
    validate(QStringLiteral(KSV_TEST_DESKTOP_FILE_VALIDATE), {QStringLiteral(KSV_TEST_DESKTOP_FILE)}, true);
}

void TestDesktopFiles::metainfo_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("text");
    const QString credit = QStringLiteral(KSV_AUTHOR_CREDIT);
    QTest::newRow("id") << "id" << AppId;
    QTest::newRow("name") << "name" << KSV_APP_TITLE;
    QTest::newRow("launchable") << "launchable" << AppId + ".desktop";
    QTest::newRow("binary") << "binary" << KSV_INTERNAL_NAME;
    QTest::newRow("developer") << "developer_name" << credit.left(credit.lastIndexOf(QStringLiteral(" (")));
}

void TestDesktopFiles::metainfo()
{
    QFETCH(QString, element);
    QFETCH(QString, text);
    const QDomNodeList nodes = m_component.elementsByTagName(element);
    QCOMPARE(nodes.size(), 1);
    QCOMPARE(nodes.at(0).toElement().text(), text);
}

void TestDesktopFiles::metainfoHasBothLanguages()
{
    QStringList summaryLanguages;
    const QDomNodeList summaries = m_component.elementsByTagName(QStringLiteral("summary"));
    for (int i = 0; i < summaries.size(); ++i)
        summaryLanguages.append(summaries.at(i).toElement().attribute(QStringLiteral("xml:lang")));
    QCOMPARE(summaryLanguages, (QStringList{QString(), QStringLiteral("sv")}));

    const QDomNodeList paragraphs = m_component.elementsByTagName(QStringLiteral("p"));
    int swedish = 0;
    for (int i = 0; i < paragraphs.size(); ++i)
        swedish += paragraphs.at(i).toElement().attribute(QStringLiteral("xml:lang")) == QLatin1String("sv");
    QVERIFY(swedish > 0);
    QCOMPARE(paragraphs.size(), 2 * swedish);
}

void TestDesktopFiles::metainfoValidates()
{
    validate(QStringLiteral(KSV_TEST_APPSTREAMCLI),
             {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--explain"),
              QStringLiteral(KSV_TEST_METAINFO_FILE)},
             false);
}

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
