#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString AppId = QStringLiteral(KSV_TEST_APP_ID);
const QString DataDir = QStringLiteral(KSV_TEST_DATADIR);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString pngPath(int size)
{
    return QStringLiteral("%1/icons/hicolor/%2x%2/apps/%3.png").arg(DataDir).arg(size).arg(AppId);
}

// Installed path below the prefix to the file in the source or build tree it must equal.
QMap<QString, QString> expectedFiles()
{
    QMap<QString, QString> files;
    files.insert(DataDir + "/applications/" + AppId + ".desktop", QStringLiteral(KSV_TEST_DESKTOP_FILE));
    files.insert(DataDir + "/metainfo/" + AppId + ".metainfo.xml", QStringLiteral(KSV_TEST_METAINFO_FILE));
    for (const int size : {16, 32, 48, 64, 128, 256})
        files.insert(pngPath(size), QStringLiteral(KSV_TEST_ICON_DIR "/ksv2003-%1.png").arg(size));
    files.insert(DataDir + "/icons/hicolor/scalable/apps/" + AppId + ".svg",
                 QStringLiteral(KSV_TEST_IDENTITY_DIR "/ksv2003.svg"));
    if (!QStringLiteral(KSV_TEST_EXECUTABLE).isEmpty())
        files.insert(QStringLiteral(KSV_TEST_BINDIR "/" KSV_TEST_EXECUTABLE), QString());
    return files;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_prefix;

private Q_SLOTS:
    void initTestCase();
    void installedFile_data();
    void installedFile();
    void nothingElseOfOursInstalled();
};

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(KSV_TEST_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(KSV_TEST_BINARY_DIR),
                   QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
}

void TestInstall::installedFile_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("original"); // empty for the executable
    const QMap<QString, QString> files = expectedFiles();
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        QTest::newRow(qPrintable(it.key())) << it.key() << it.value();
}

void TestInstall::installedFile()
{
    QFETCH(QString, installed);
    QFETCH(QString, original);
    const QFileInfo info(QDir(m_prefix.path()).filePath(installed));
    QVERIFY2(info.isFile(), qPrintable(info.filePath()));
    if (original.isEmpty()) {
        QVERIFY(info.isExecutable());
        return;
    }
    const QByteArray bytes = readAll(info.filePath());
    QVERIFY(!bytes.isEmpty());
    QVERIFY(bytes == readAll(original));
}

void TestInstall::nothingElseOfOursInstalled()
{
    // The .ico only belongs in the Windows executable; no stray or misnamed files either.
    const QMap<QString, QString> expected = expectedFiles();
    const QDir prefix(m_prefix.path());
    QStringList unexpected;
    for (const char *folder : {"/applications", "/metainfo", "/icons"}) {
        QDirIterator it(prefix.filePath(DataDir + folder), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString relative = prefix.relativeFilePath(it.next());
            if (!expected.contains(relative))
                unexpected.append(relative);
        }
    }
    QDirIterator all(prefix.path(), {QStringLiteral("*.ico")}, QDir::Files, QDirIterator::Subdirectories);
    while (all.hasNext())
        unexpected.append(prefix.relativeFilePath(all.next()));
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char(' '))));
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
