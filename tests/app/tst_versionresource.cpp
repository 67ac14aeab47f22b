#include "ksv_config.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString aboutSentence(const QString &credit)
{
    return QStringLiteral(KSV_APP_TITLE " \u00e4r gjort av ") + credit;
}

// A string literal as windres writes it back: "" for a quote, C escapes, octal and \x for the
// letters beyond ASCII.
QString unescape(const QString &literal)
{
    static const QRegularExpression Escape(QStringLiteral("\"\"|\\\\([0-7]{1,3}|x[0-9a-fA-F]{1,4}|.)"));
    QString text;
    qsizetype at = 0;
    for (auto it = Escape.globalMatch(literal); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        text += literal.mid(at, match.capturedStart() - at);
        const QString code = match.captured(1);
        if (code.isEmpty())
            text += QLatin1Char('"');
        else if (code.front().isDigit())
            text += QChar(code.toUShort(nullptr, 8));
        else if (code.front() == QLatin1Char('x') && code.size() > 1)
            text += QChar(code.mid(1).toUShort(nullptr, 16));
        else
            text += code;
        at = match.capturedEnd();
    }
    return text + literal.mid(at);
}

// The compiled resources: windres compiles the .rc as a MinGW build of the program would, then
// writes the .res back out as a script, the way to read what the binary holds.
struct Compiled
{
    QString script;
    QMap<QString, QString> strings;

    bool compile(const QString &rcFile)
    {
        const QString resFile = rcFile + QStringLiteral(".res");
        const QString back = rcFile + QStringLiteral(".back.rc");
        const QStringList preprocessor{QStringLiteral("--preprocessor=" KSV_TEST_PREPROCESSOR),
                                       QStringLiteral("--preprocessor-arg=-E"),
                                       QStringLiteral("--preprocessor-arg=-xc"),
                                       QStringLiteral("--preprocessor-arg=-DRC_INVOKED")};
        if (!run(preprocessor + QStringList{QStringLiteral("-O"), QStringLiteral("res"), rcFile, resFile})
            || !run({QStringLiteral("-O"), QStringLiteral("rc"), resFile, back}))
            return false;
        QFile file(back);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        script = QString::fromLatin1(file.readAll());
        static const QRegularExpression Value(QStringLiteral("VALUE \"(\\w+)\", L?\"((?:[^\"]|\"\")*)\""));
        for (auto it = Value.globalMatch(script); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            strings.insert(match.captured(1), unescape(match.captured(2)));
        }
        return true;
    }

    static bool run(const QStringList &arguments)
    {
        QProcess windres;
        windres.start(QStringLiteral(KSV_TEST_WINDRES), arguments);
        if (windres.waitForFinished(30000) && windres.exitStatus() == QProcess::NormalExit
            && windres.exitCode() == 0)
            return true;
        qWarning().noquote() << "windres:" << windres.readAllStandardError();
        return false;
    }

    QString line(const QString &keyword) const
    {
        return QRegularExpression(QStringLiteral("^ *%1 (.*)$").arg(keyword),
                                  QRegularExpression::MultilineOption)
            .match(script)
            .captured(1);
    }
};

} // namespace

class TestVersionResource : public QObject
{
    Q_OBJECT

private:
    bool writeResource(const QString &output, const QString &credit, const QString &version,
                       QString *errors);

    QTemporaryDir m_work;
    Compiled m_built;
    int m_written = 0;

private Q_SLOTS:
    void initTestCase();
    void fixedPartAndLanguage();
    void iconGroupHoldsTheNineImagesOfTheIcoFile();
    void otherIdentityValues_data();
    void otherIdentityValues();
    void malformedValuesAreRejected_data();
    void malformedValuesAreRejected();
};

bool TestVersionResource::writeResource(const QString &output, const QString &credit,
                                        const QString &version, QString *errors)
{
    QProcess cmake;
    cmake.start(QStringLiteral(KSV_TEST_CMAKE),
                {QStringLiteral("-DOUTPUT=") + output, QStringLiteral("-DTITLE=" KSV_APP_TITLE),
                 QStringLiteral("-DINTERNAL_NAME=" KSV_INTERNAL_NAME),
                 QStringLiteral("-DVERSION=") + version, QStringLiteral("-DCREDIT=") + credit,
                 QStringLiteral("-DICON=" KSV_TEST_ICON_DIR "/ksv2003.ico"), QStringLiteral("-P"),
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
    QVERIFY(m_built.compile(QStringLiteral(KSV_TEST_RC_FILE)));
}

// One US-English Unicode string table of exactly these strings; every resource US English.
void TestVersionResource::fixedPartAndLanguage()
{
    const QMap<QString, QString> strings{
        {QStringLiteral("Comments"), aboutSentence(QStringLiteral(KSV_AUTHOR_CREDIT))},
        {QStringLiteral("FileVersion"), QStringLiteral("1.00")},
        {QStringLiteral("InternalName"), QStringLiteral(KSV_INTERNAL_NAME)},
        {QStringLiteral("OriginalFilename"), QStringLiteral(KSV_INTERNAL_NAME ".exe")},
        {QStringLiteral("ProductName"), QStringLiteral(KSV_APP_TITLE)},
        {QStringLiteral("ProductVersion"), QStringLiteral("1.00")}};
    QCOMPARE(m_built.strings, strings);
    QCOMPARE(m_built.script.count(QStringLiteral("BLOCK \"040904B0\"")), 1);
    QCOMPARE(m_built.script.count(QStringLiteral("BLOCK \"0")), 1);
    QCOMPARE(m_built.line(QStringLiteral("VALUE \"Translation\",")), QStringLiteral("0x409, 1200"));
    // windres names a resource's language only where it changes.
    QCOMPARE(m_built.script.count(QStringLiteral("LANGUAGE ")), 1);
    QCOMPARE(m_built.line(QStringLiteral("LANGUAGE")), QStringLiteral("9, 1"));
    QCOMPARE(m_built.line(QStringLiteral("FILEVERSION")), QStringLiteral("1, 0, 0, 0"));
    QCOMPARE(m_built.line(QStringLiteral("PRODUCTVERSION")), QStringLiteral("1, 0, 0, 0"));
    QCOMPARE(m_built.line(QStringLiteral("FILEOS")), QStringLiteral("0x4")); // VOS__WINDOWS32
    QCOMPARE(m_built.line(QStringLiteral("FILETYPE")), QStringLiteral("0x1")); // VFT_APP
}

// windres itself copies the images from the .ico; what matters is that all nine go in, as one group.
void TestVersionResource::iconGroupHoldsTheNineImagesOfTheIcoFile()
{
    QCOMPARE(m_built.script.count(QStringLiteral("/* RT_ICON */")), 9);
    QCOMPARE(m_built.script.count(QStringLiteral("/* RT_GROUP_ICON */")), 1);
}

void TestVersionResource::otherIdentityValues_data()
{
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shortVersion");
    QTest::addColumn<QString>("fixedVersion");

    const QString credit = QStringLiteral("KSV (ksv@kestrova.example)");
    QTest::newRow("letters beyond ASCII")
        << QStringLiteral("\u00c5sa \u00d6berg-\u00c4ngstr\u00f6m \u20ac (asa@kestrova.example)")
        << "1.0.0" << "1.00" << "1, 0, 0, 0";
    QTest::newRow("quotes and backslash")
        << QStringLiteral("Kalle \"K\\A\" Anka (kalle@kestrova.example)") << "1.0.0" << "1.00"
        << "1, 0, 0, 0";
    QTest::newRow("one-digit minor") << credit << "1.5.2" << "1.05" << "1, 5, 2, 0";
    QTest::newRow("three-digit minor") << credit << "3.100.0" << "3.100" << "3, 100, 0, 0";
    QTest::newRow("leading zeros") << credit << "01.07.009" << "1.07" << "1, 7, 9, 0";
    QTest::newRow("largest parts") << credit << "65535.65535.65535" << "65535.65535"
                                   << "65535, 65535, 65535, 0";
}

void TestVersionResource::otherIdentityValues()
{
    QFETCH(QString, credit);
    QFETCH(QString, version);
    QFETCH(QString, shortVersion);
    QFETCH(QString, fixedVersion);

    // windres hands the file name to its preprocessor through a shell: keep it plain.
    const QString rcFile = m_work.filePath(QStringLiteral("values%1.rc").arg(++m_written));
    QString errors;
    QVERIFY2(writeResource(rcFile, credit, version, &errors), qPrintable(errors));
    Compiled built;
    QVERIFY(built.compile(rcFile));
    QCOMPARE(built.strings.value(QStringLiteral("Comments")), aboutSentence(credit));
    QCOMPARE(built.strings.value(QStringLiteral("FileVersion")), shortVersion);
    QCOMPARE(built.strings.value(QStringLiteral("ProductVersion")), shortVersion);
    QCOMPARE(built.line(QStringLiteral("FILEVERSION")), fixedVersion);
    QCOMPARE(built.line(QStringLiteral("PRODUCTVERSION")), fixedVersion);
}

void TestVersionResource::malformedValuesAreRejected_data()
{
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QString>("version");

    const QString goodCredit = QStringLiteral("KSV (ksv@kestrova.example)");
    QTest::newRow("credit without address") << "KSV" << "1.0.0";
    QTest::newRow("address without parentheses") << "KSV ksv@kestrova.example" << "1.0.0";
    QTest::newRow("text after address") << "KSV (ksv@kestrova.example) 2003" << "1.0.0";
    QTest::newRow("address without @") << "KSV (kestrova.example)" << "1.0.0";
    QTest::newRow("line break in credit") << "K\nSV (ksv@kestrova.example)" << "1.0.0";
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
