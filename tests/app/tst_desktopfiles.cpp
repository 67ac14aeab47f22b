#include "ksv_config.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace {

const QString AppId = QStringLiteral(KSV_TEST_APP_ID);

// The [Desktop Entry] group as key to value; a repeated key is kept as "!duplicate".
QMap<QString, QString> readDesktopEntry(const QString &path)
{
    QMap<QString, QString> entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QLatin1String("[Desktop Entry]");
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || equals <= 0 || line.startsWith(QLatin1Char('#')))
            continue;
        const QString key = line.left(equals).trimmed();
        entry.insert(key, entry.contains(key) ? QStringLiteral("!duplicate") : line.mid(equals + 1).trimmed());
    }
    return entry;
}

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
    QMap<QString, QString> m_entry;
    QDomElement m_component;
    QDomDocument m_metainfo;

private Q_SLOTS:
    void initTestCase();
    void desktopEntry_data();
    void desktopEntry();
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
    m_entry = readDesktopEntry(QStringLiteral(KSV_TEST_DESKTOP_FILE));
    QFile file(QStringLiteral(KSV_TEST_METAINFO_FILE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString error;
    QVERIFY2(m_metainfo.setContent(&file, &error), qPrintable(error));
    m_component = m_metainfo.documentElement();
    const QDomNodeList releases = m_component.elementsByTagName(QStringLiteral("release"));
    QCOMPARE(releases.size(), 1);
    QCOMPARE(releases.at(0).toElement().attribute(QStringLiteral("version")), QStringLiteral(KSV_VERSION));
}

void TestDesktopFiles::desktopEntry_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // empty: an English and a different Swedish text
    QTest::newRow("name") << "Name" << KSV_APP_TITLE;
    QTest::newRow("command") << "Exec" << KSV_INTERNAL_NAME;
    QTest::newRow("command present") << "TryExec" << KSV_INTERNAL_NAME;
    QTest::newRow("icon") << "Icon" << AppId;
    QTest::newRow("categories") << "Categories" << "Network;News;";
    QTest::newRow("comment") << "Comment" << "";
    QTest::newRow("generic name") << "GenericName" << "";
    QTest::newRow("keywords") << "Keywords" << "";
}

void TestDesktopFiles::desktopEntry()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    if (!value.isEmpty()) {
        QCOMPARE(m_entry.value(key), value);
        return;
    }
    const QString swedish = m_entry.value(key + QStringLiteral("[sv]"));
    QVERIFY(!m_entry.value(key).isEmpty() && !swedish.isEmpty());
    QVERIFY(m_entry.value(key) != swedish);
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
