#include "icondirectory.h"
#include "ksv_config.h"
#include "resourcefile.h"
#include "versioninfo.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString VersionType = QStringLiteral("#16");
const QString IconType = QStringLiteral("#3");
const QString IconGroupType = QStringLiteral("#14");
constexpr quint16 UsEnglish = 0x0409;
constexpr quint16 Utf16CodePage = 1200;

QString aboutSentence(const QString &credit)
{
    return QStringLiteral(KSV_APP_TITLE) + QStringLiteral(" är gjort av ") + credit;
}

} // namespace

class TestVersionResource : public QObject
{
    Q_OBJECT

private:
    // Compiles an .rc the way a MinGW build of the program would; fails the test on errors.
    bool compile(const QString &rcFile, ResourceFile *resources);
    bool writeResource(const QString &output, const QString &credit, const QString &version,
                       QString *errors);

    QTemporaryDir m_work;
    ResourceFile m_resources;
    VersionInfo m_version;
    int m_written = 0;

private Q_SLOTS:
    void initTestCase();
    void strings_data();
    void strings();
    void onlyOneUsEnglishUnicodeTable();
    void fixedPart();
    void everyResourceIsUsEnglish();
    void iconGroupHoldsTheNineImagesOfTheIcoFile();
    void otherIdentityValues_data();
    void otherIdentityValues();
    void malformedValuesAreRejected_data();
    void malformedValuesAreRejected();
};

bool TestVersionResource::compile(const QString &rcFile, ResourceFile *resources)
{
    const QString resFile = rcFile + QStringLiteral(".res");
    QProcess windres;
    windres.start(QStringLiteral(KSV_TEST_WINDRES),
                  {QStringLiteral("--preprocessor=" KSV_TEST_PREPROCESSOR),
                   QStringLiteral("--preprocessor-arg=-E"), QStringLiteral("--preprocessor-arg=-xc"),
                   QStringLiteral("--preprocessor-arg=-DRC_INVOKED"),
                   QStringLiteral("--input-format=rc"), QStringLiteral("--output-format=res"),
                   QStringLiteral("--input=") + rcFile, QStringLiteral("--output=") + resFile});
    if (!windres.waitForFinished(30000) || windres.exitStatus() != QProcess::NormalExit
        || windres.exitCode() != 0) {
        qWarning().noquote() << "windres:" << windres.readAllStandardError();
        return false;
    }
    QFile res(resFile);
    if (!res.open(QIODevice::ReadOnly))
        return false;
    if (!resources->load(res.readAll())) {
        qWarning().noquote() << "res:" << resources->errorString();
        return false;
    }
    return true;
}

bool TestVersionResource::writeResource(const QString &output, const QString &credit,
                                        const QString &version, QString *errors)
{
    QProcess cmake;
    cmake.start(QStringLiteral(KSV_TEST_CMAKE),
                {QStringLiteral("-DOUTPUT=") + output,
                 QStringLiteral("-DTITLE=" KSV_APP_TITLE),
                 QStringLiteral("-DINTERNAL_NAME=" KSV_INTERNAL_NAME),
                 QStringLiteral("-DVERSION=") + version,
                 QStringLiteral("-DCREDIT=") + credit,
                 QStringLiteral("-DICON=" KSV_TEST_ICON_DIR "/ksv2003.ico"),
                 QStringLiteral("-P"),
                 QStringLiteral(KSV_TEST_IDENTITY_DIR "/versionresource.cmake")});
    const bool finished = cmake.waitForFinished(30000);
    *errors = QString::fromUtf8(cmake.readAllStandardError());
    return finished && cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0;
}

void TestVersionResource::initTestCase()
{
    if (QStringLiteral(KSV_TEST_WINDRES).isEmpty())
        QSKIP("no windres (binutils-mingw-w64-x86-64) on this machine");
    QVERIFY(m_work.isValid());
    QVERIFY(compile(QStringLiteral(KSV_TEST_RC_FILE), &m_resources));
    const QList<ResourceFile::Entry> versions = m_resources.ofType(VersionType);
    QCOMPARE(versions.size(), 1);
    QCOMPARE(versions.first().name, QStringLiteral("#1"));
    QVERIFY2(m_version.load(versions.first().data), qPrintable(m_version.errorString()));
}

void TestVersionResource::strings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    // The short version: major.minor, the minor with two digits.
    const QString shortVersion =
        QStringLiteral("%1.%2").arg(KSV_VERSION_MAJOR).arg(KSV_VERSION_MINOR, 2, 10, QLatin1Char('0'));
    QTest::newRow("product name") << "ProductName" << QStringLiteral(KSV_APP_TITLE);
    QTest::newRow("file version") << "FileVersion" << shortVersion;
    QTest::newRow("product version") << "ProductVersion" << shortVersion;
    QTest::newRow("internal name") << "InternalName" << QStringLiteral(KSV_INTERNAL_NAME);
    QTest::newRow("original file name") << "OriginalFilename" << QStringLiteral(KSV_INTERNAL_NAME ".exe");
    QTest::newRow("comments") << "Comments" << aboutSentence(QStringLiteral(KSV_AUTHOR_CREDIT));
}

void TestVersionResource::strings()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    const VersionInfo::StringTable table = m_version.stringTables().value(QStringLiteral("040904B0"));
    QVERIFY2(table.contains(key), qPrintable(key));
    QCOMPARE(table.value(key), value);
}

void TestVersionResource::onlyOneUsEnglishUnicodeTable()
{
    QCOMPARE(m_version.stringTables().keys(), QStringList{QStringLiteral("040904B0")});
    const QStringList keys{"Comments",     "FileVersion", "InternalName",
                           "OriginalFilename", "ProductName", "ProductVersion"};
    QCOMPARE(m_version.stringTables().first().keys(), keys);
    const QList<QPair<quint16, quint16>> expected{{UsEnglish, Utf16CodePage}};
    QCOMPARE(m_version.translations(), expected);
}

void TestVersionResource::fixedPart()
{
    const VersionInfo::Fixed &fixed = m_version.fixed();
    QCOMPARE(fixed.signature, 0xFEEF04BDu);
    const quint32 mostSignificant = quint32(KSV_VERSION_MAJOR) << 16 | quint32(KSV_VERSION_MINOR);
    const quint32 leastSignificant = quint32(KSV_VERSION_PATCH) << 16;
    QCOMPARE(fixed.fileVersionMS, mostSignificant);
    QCOMPARE(fixed.fileVersionLS, leastSignificant);
    QCOMPARE(fixed.productVersionMS, mostSignificant);
    QCOMPARE(fixed.productVersionLS, leastSignificant);
    QCOMPARE(fixed.flags, 0u);
    QCOMPARE(fixed.os, 0x4u); // VOS__WINDOWS32
    QCOMPARE(fixed.type, 0x1u); // VFT_APP
    QCOMPARE(fixed.subtype, 0u);
}

void TestVersionResource::everyResourceIsUsEnglish()
{
    QVERIFY(!m_resources.entries().isEmpty());
    for (const ResourceFile::Entry &entry : m_resources.entries())
        QCOMPARE(entry.language, UsEnglish);
}

void TestVersionResource::iconGroupHoldsTheNineImagesOfTheIcoFile()
{
    const QList<ResourceFile::Entry> groups = m_resources.ofType(IconGroupType);
    QCOMPARE(groups.size(), 1);
    IconDirectory group;
    QVERIFY2(group.load(groups.first().data, IconDirectory::Source::GroupResource),
             qPrintable(group.errorString()));

    QFile icoFile(QStringLiteral(KSV_TEST_ICON_DIR "/ksv2003.ico"));
    QVERIFY(icoFile.open(QIODevice::ReadOnly));
    const QByteArray ico = icoFile.readAll();
    IconDirectory file;
    QVERIFY2(file.load(ico, IconDirectory::Source::IcoFile), qPrintable(file.errorString()));

    QCOMPARE(group.entries().size(), 9);
    QCOMPARE(file.entries().size(), group.entries().size());
    QCOMPARE(m_resources.ofType(IconType).size(), 9);
    for (int i = 0; i < group.entries().size(); ++i) {
        const IconDirectory::Entry &inGroup = group.entries().at(i);
        const IconDirectory::Entry &inFile = file.entries().at(i);
        QCOMPARE(inGroup.width, inFile.width);
        QCOMPARE(inGroup.height, inFile.height);
        QCOMPARE(inGroup.bitCount, inFile.bitCount);
        QCOMPARE(inGroup.colourCount, inFile.colourCount);
        QCOMPARE(inGroup.bytes, inFile.bytes);
        const ResourceFile::Entry *image =
            m_resources.find(IconType, QLatin1Char('#') + QString::number(inGroup.id));
        QVERIFY2(image, qPrintable(QStringLiteral("image %1 missing").arg(inGroup.id)));
        QVERIFY(image->data == ico.mid(inFile.offset, inFile.bytes));
    }
}

void TestVersionResource::otherIdentityValues_data()
{
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shortVersion");
    QTest::addColumn<quint32>("mostSignificant");
    QTest::addColumn<quint32>("leastSignificant");

    QTest::newRow("letters beyond ASCII") << QStringLiteral("Åsa Öberg-Ängström (asa@kestrova.example)")
                                          << "1.0.0" << "1.00" << 0x00010000u << 0u;
    QTest::newRow("quotes and backslash")
        << QStringLiteral("Kalle \"K\\A\" Anka (kalle@kestrova.example)") << "1.0.0" << "1.00"
        << 0x00010000u << 0u;
    QTest::newRow("one-digit minor") << "KSV (ksv@kestrova.example)" << "1.5.2" << "1.05"
                                     << 0x00010005u << 0x00020000u;
    QTest::newRow("two-digit minor") << "KSV (ksv@kestrova.example)" << "2.12.3" << "2.12"
                                     << 0x0002000Cu << 0x00030000u;
    QTest::newRow("three-digit minor") << "KSV (ksv@kestrova.example)" << "3.100.0" << "3.100"
                                       << 0x00030064u << 0u;
    QTest::newRow("leading zeros") << "KSV (ksv@kestrova.example)" << "01.07.009" << "1.07"
                                   << 0x00010007u << 0x00090000u;
    QTest::newRow("largest parts") << "KSV (ksv@kestrova.example)" << "65535.65535.65535"
                                   << "65535.65535" << 0xFFFFFFFFu << 0xFFFF0000u;
}

void TestVersionResource::otherIdentityValues()
{
    QFETCH(QString, credit);
    QFETCH(QString, version);
    QFETCH(QString, shortVersion);
    QFETCH(quint32, mostSignificant);
    QFETCH(quint32, leastSignificant);

    // windres hands the file name to its preprocessor through a shell: keep it plain.
    const QString rcFile = m_work.filePath(QStringLiteral("values%1.rc").arg(++m_written));
    QString errors;
    QVERIFY2(writeResource(rcFile, credit, version, &errors), qPrintable(errors));
    ResourceFile resources;
    QVERIFY(compile(rcFile, &resources));
    VersionInfo info;
    QVERIFY2(info.load(resources.ofType(VersionType).value(0).data), qPrintable(info.errorString()));

    const VersionInfo::StringTable table = info.stringTables().value(QStringLiteral("040904B0"));
    QCOMPARE(table.value(QStringLiteral("Comments")), aboutSentence(credit));
    QCOMPARE(table.value(QStringLiteral("FileVersion")), shortVersion);
    QCOMPARE(table.value(QStringLiteral("ProductVersion")), shortVersion);
    QCOMPARE(info.fixed().fileVersionMS, mostSignificant);
    QCOMPARE(info.fixed().fileVersionLS, leastSignificant);
    QCOMPARE(info.fixed().productVersionMS, mostSignificant);
    QCOMPARE(info.fixed().productVersionLS, leastSignificant);
}

void TestVersionResource::malformedValuesAreRejected_data()
{
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QString>("version");

    const QString goodCredit = QStringLiteral("KSV (ksv@kestrova.example)");
    QTest::newRow("credit without address") << "KSV" << "1.0.0";
    QTest::newRow("address without parentheses") << "KSV ksv@kestrova.example" << "1.0.0";
    QTest::newRow("address without name") << "(ksv@kestrova.example)" << "1.0.0";
    QTest::newRow("two spaces before address") << "KSV  (ksv@kestrova.example)" << "1.0.0";
    QTest::newRow("text after address") << "KSV (ksv@kestrova.example) 2003" << "1.0.0";
    QTest::newRow("address without @") << "KSV (kestrova.example)" << "1.0.0";
    QTest::newRow("space in address") << "KSV (ksv @kestrova.example)" << "1.0.0";
    QTest::newRow("line break in credit") << "K\nSV (ksv@kestrova.example)" << "1.0.0";
    QTest::newRow("empty credit") << "" << "1.0.0";
    QTest::newRow("two-part version") << goodCredit << "1.0";
    QTest::newRow("version with letters") << goodCredit << "1.0.0-rc1";
    QTest::newRow("minor above 16 bits") << goodCredit << "1.65536.0";
    QTest::newRow("patch far above 16 bits") << goodCredit << "1.0.99999999999";
}

void TestVersionResource::malformedValuesAreRejected()
{
    QFETCH(QString, credit);
    QFETCH(QString, version);
    const QString rcFile = m_work.filePath(QStringLiteral("rejected.rc"));
    QString errors;
    QVERIFY(!writeResource(rcFile, credit, version, &errors));
    QVERIFY2(errors.contains(QStringLiteral("CMake Error")), qPrintable(errors));
    QVERIFY(!QFile::exists(rcFile));
}

QTEST_MAIN(TestVersionResource)
#include "tst_versionresource.moc"
