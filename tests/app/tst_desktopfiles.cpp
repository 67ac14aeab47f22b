#include "ksv_config.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QMap>
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
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || equals <= 0 || line.startsWith(QLatin1Char('#')))
            continue;
        const QString key = line.left(equals).trimmed();
        entry.insert(key, entry.contains(key) ? QStringLiteral("!duplicate") : line.mid(equals + 1).trimmed());
    }
    return entry;
}

// Exit code and everything the validator printed.
QPair<int, QString> validate(const QString &program, const QStringList &arguments)
{
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(program, arguments);
    if (!validator.waitForFinished(60000) || validator.exitStatus() != QProcess::NormalExit)
        return {-1, QStringLiteral("did not finish")};
    return {validator.exitCode(), QString::fromUtf8(validator.readAll())};
}

QString creditName()
{
    const QString credit = QStringLiteral(KSV_AUTHOR_CREDIT);
    return credit.left(credit.lastIndexOf(QStringLiteral(" (")));
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
    void desktopEntryHasBothLanguages_data();
    void desktopEntryHasBothLanguages();
    void desktopEntryValidates();
    void metainfo_data();
    void metainfo();
    void metainfoReleaseIsTheProjectVersion();
    void metainfoHasBothLanguages();
    void metainfoValidates();
};

void TestDesktopFiles::initTestCase()
{
    QCOMPARE(QFileInfo(QStringLiteral(KSV_TEST_DESKTOP_FILE)).fileName(), AppId + ".desktop");
    QCOMPARE(QFileInfo(QStringLiteral(KSV_TEST_METAINFO_FILE)).fileName(), AppId + ".metainfo.xml");
    m_entry = readDesktopEntry(QStringLiteral(KSV_TEST_DESKTOP_FILE));
    QVERIFY(!m_entry.isEmpty());

    QFile file(QStringLiteral(KSV_TEST_METAINFO_FILE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString error;
    QVERIFY2(m_metainfo.setContent(&file, &error), qPrintable(error));
    m_component = m_metainfo.documentElement();
    QCOMPARE(m_component.tagName(), QStringLiteral("component"));
}

void TestDesktopFiles::desktopEntry_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("type") << "Type" << "Application";
    QTest::newRow("name") << "Name" << KSV_APP_TITLE;
    QTest::newRow("command") << "Exec" << KSV_INTERNAL_NAME;
    QTest::newRow("command present") << "TryExec" << KSV_INTERNAL_NAME;
    QTest::newRow("icon") << "Icon" << AppId;
    QTest::newRow("no terminal") << "Terminal" << "false";
    QTest::newRow("categories") << "Categories" << "Network;News;";
}

void TestDesktopFiles::desktopEntry()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(m_entry.value(key), value);
}

void TestDesktopFiles::desktopEntryHasBothLanguages_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("comment") << "Comment";
    QTest::newRow("generic name") << "GenericName";
    QTest::newRow("keywords") << "Keywords";
}

void TestDesktopFiles::desktopEntryHasBothLanguages()
{
    QFETCH(QString, key);
    const QString english = m_entry.value(key);
    const QString swedish = m_entry.value(key + QStringLiteral("[sv]"));
    QVERIFY(!english.isEmpty());
    QVERIFY(!swedish.isEmpty());
    QVERIFY(english != swedish);
}

void TestDesktopFiles::desktopEntryValidates()
{
    if (QStringLiteral(KSV_TEST_DESKTOP_FILE_VALIDATE).isEmpty())
        QSKIP("desktop-file-validate (desktop-file-utils) is not installed");
    const auto [exitCode, output] = validate(QStringLiteral(KSV_TEST_DESKTOP_FILE_VALIDATE),
                                             {QStringLiteral(KSV_TEST_DESKTOP_FILE)});
    // It exits 0 on warnings too; they are worth fixing all the same.
    QVERIFY2(exitCode == 0 && output.trimmed().isEmpty(), qPrintable(output));
}

void TestDesktopFiles::metainfo_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("text");
    QTest::newRow("id") << "id" << AppId;
    QTest::newRow("name") << "name" << KSV_APP_TITLE;
    QTest::newRow("metadata licence") << "metadata_license" << "CC0-1.0";
    QTest::newRow("project licence") << "project_license" << "LicenseRef-proprietary";
    QTest::newRow("launchable") << "launchable" << AppId + ".desktop";
    QTest::newRow("developer") << "developer_name" << creditName();
}

void TestDesktopFiles::metainfo()
{
    QFETCH(QString, element);
    QFETCH(QString, text);
    const QDomNodeList nodes = m_component.elementsByTagName(element);
    QCOMPARE(nodes.size(), 1);
    QCOMPARE(nodes.at(0).toElement().text(), text);
}

void TestDesktopFiles::metainfoReleaseIsTheProjectVersion()
{
    QCOMPARE(m_component.attribute(QStringLiteral("type")), QStringLiteral("desktop-application"));
    QCOMPARE(m_component.firstChildElement(QStringLiteral("launchable")).attribute(QStringLiteral("type")),
             QStringLiteral("desktop-id"));
    const QDomElement provides = m_component.firstChildElement(QStringLiteral("provides"));
    QCOMPARE(provides.firstChildElement(QStringLiteral("binary")).text(),
             QStringLiteral(KSV_INTERNAL_NAME));

    const QDomNodeList releases = m_component.firstChildElement(QStringLiteral("releases"))
                                      .elementsByTagName(QStringLiteral("release"));
    QCOMPARE(releases.size(), 1);
    const QDomElement release = releases.at(0).toElement();
    QCOMPARE(release.attribute(QStringLiteral("version")), QStringLiteral(KSV_VERSION));
    QVERIFY(QDate::fromString(release.attribute(QStringLiteral("date")), Qt::ISODate).isValid());
}

void TestDesktopFiles::metainfoHasBothLanguages()
{
    QStringList summaryLanguages;
    const QDomNodeList summaries = m_component.elementsByTagName(QStringLiteral("summary"));
    for (int i = 0; i < summaries.size(); ++i)
        summaryLanguages.append(summaries.at(i).toElement().attribute(QStringLiteral("xml:lang")));
    QCOMPARE(summaryLanguages, (QStringList{QString(), QStringLiteral("sv")}));

    const QDomNodeList paragraphs = m_component.firstChildElement(QStringLiteral("description"))
                                        .elementsByTagName(QStringLiteral("p"));
    int swedish = 0;
    for (int i = 0; i < paragraphs.size(); ++i) {
        if (paragraphs.at(i).toElement().attribute(QStringLiteral("xml:lang")) == QLatin1String("sv"))
            ++swedish;
    }
    QVERIFY(swedish > 0);
    QCOMPARE(paragraphs.size(), 2 * swedish);
}

void TestDesktopFiles::metainfoValidates()
{
    if (QStringLiteral(KSV_TEST_APPSTREAMCLI).isEmpty())
        QSKIP("appstreamcli (appstream) is not installed");
    const auto [exitCode, output] =
        validate(QStringLiteral(KSV_TEST_APPSTREAMCLI),
                 {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--explain"),
                  QStringLiteral(KSV_TEST_METAINFO_FILE)});
    QVERIFY2(exitCode == 0, qPrintable(output));
}

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
