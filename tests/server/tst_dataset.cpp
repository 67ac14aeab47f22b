#include "dataset.h"
#include "dataseterror.h"
#include "datasetparser.h"
#include "districtsfile.h"
#include "reporters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestDataSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bundled();
    void generatorOutputIsBundled();
    void readsFiles_data();
    void readsFiles();
    void liveNightFiles_data();
    void liveNightFiles();
    void tokens();

private:
    DataSet m_bundled = DataSetParser::bundled();
};

namespace {

const QByteArray Header = "type\tcode\tname\tdistricts\telectorate\tyes\tno\tblank\tinvalid\n";
const QByteArray County01 = "county\t01\tStockholms län\t\t\t\t\t\t\n";
const QByteArray Muni0114 = "municipality\t0114\tUpplands Väsby\t25\t32463\t11495\t14383\t460\t64\n";

QByteArray municipality(const QByteArray &fields)
{
    return Header + County01 + "municipality\t" + fields + '\n';
}

} // namespace

void TestDataSet::bundled()
{
    // Every county in order with its municipalities, each code and name once.
    QSet<QString> codes;
    QSet<QString> names;
    QString previous;
    for (const County &c : m_bundled.counties()) {
        QVERIFY2(!c.municipalities.empty() && c.code > previous, qPrintable(c.code));
        for (const Municipality &m : c.municipalities) {
            QVERIFY2(m.code.size() == 4 && m.code.startsWith(c.code) && m.code > previous, qPrintable(m.code));
            previous = m.code;
            codes.insert(m.code);
            names.insert(m.name);
        }
    }
    QCOMPARE(m_bundled.counties().size(), std::size_t(21));
    QCOMPARE(m_bundled.municipalityCount(), 290);
    QCOMPARE(codes.size() + names.size(), 2 * 290);
    QVERIFY2(m_bundled.districtCount() > 5500 && m_bundled.districtCount() < 6500,
             qPrintable(QString::number(m_bundled.districtCount())));
}

void TestDataSet::generatorOutputIsBundled()
{
    const QString dir = qEnvironmentVariable("KSV_DATA_DIR");
    if (dir.isEmpty())
        QSKIP("KSV_DATA_DIR not set");
    QProcess generator;
    generator.start(QStringLiteral("/usr/bin/python3"), {dir + QStringLiteral("/generate-results.py")});
    QVERIFY(generator.waitForFinished(30000));
    QCOMPARE(generator.exitCode(), 0);
    QFile bundled(QStringLiteral(":/ksv/results.tsv"));
    QVERIFY(bundled.open(QIODevice::ReadOnly));
    QCOMPARE(generator.readAllStandardOutput(), bundled.readAll());
}

void TestDataSet::readsFiles_data()
{
    QTest::addColumn<QByteArray>("text");    // written to data.tsv, read from `path`
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");    // in the message, after the path; empty: read
    auto good = [](const char *name, const QByteArray &text) {
        QTest::newRow(name) << text << "data.tsv" << QString();
    };
    good("plain", Header + County01 + Muni0114);
    good("county row with three fields", Header + "county\t01\tStockholms län\n" + Muni0114);
    good("comments and blank lines", "# note\n\n" + Header + "# more\n" + County01 + "\n" + Muni0114);
    good("CRLF", QByteArray(Header + County01 + Muni0114).replace("\n", "\r\n"));
    good("BOM", "\xEF\xBB\xBF" + Header + County01 + Muni0114);
    good("no final newline", Header + County01 + Muni0114.chopped(1));

    QTest::newRow("missing") << QByteArray() << "missing.tsv" << "kan inte läsas";
    // A device that never ends must not be read for ever.
    QTest::newRow("endless") << QByteArray() << "/dev/zero" << "för stor";
    auto bad = [](const char *name, const QByteArray &text, const QString &expected) {
        QTest::newRow(name) << text << "data.tsv" << expected;
    };
    bad("empty", QByteArray(), "rubrikraden saknas");
    bad("wrong header", "type\tcode\tname\n" + County01, "rad 1: rubrikraden");
    bad("no counties", Header, "inga län");
    bad("bad UTF-8", Header + "county\t01\tStockholms l\xE4n\n" + Muni0114, "UTF-8");
    bad("unknown row type", Header + County01 + "kommun\t0114\tX\t1\t1\t0\t0\t0\t0\n", "rad 3, fältet \"type\"");
    bad("municipality first", Header + Muni0114, "rad 2: kommunrad före");
    bad("county code one digit", Header + "county\t1\tX\n", "rad 2, fältet \"code\"");
    bad("county code 00", Header + "county\t00\tX\n", "rad 2, fältet \"code\"");
    bad("counties out of order",
        Header + "county\t03\tUppsala län\nmunicipality\t0305\tHåbo\t5\t9000\t1\t1\t1\t1\n" + County01,
        "rad 4, fältet \"code\"");
    bad("duplicate county", Header + County01 + Muni0114 + County01, "rad 4, fältet \"code\"");
    bad("county without municipalities", Header + County01 + "county\t03\tUppsala län\n", "länet 01 har inga kommuner");
    bad("last county without municipalities", Header + County01 + Muni0114 + "county\t03\tX\n",
        "länet 03 har inga kommuner");
    bad("county figures given", Header + "county\t01\tStockholms län\t5\t\t\t\t\t\n" + Muni0114,
        "rad 2, fältet \"districts\"");
    bad("municipality of another county", municipality("0305\tHåbo\t5\t9000\t1\t1\t1\t1"),
        "rad 3, fältet \"code\"");
    bad("municipality code three digits", municipality("014\tX\t5\t9000\t1\t1\t1\t1"), "rad 3, fältet \"code\"");
    bad("duplicate municipality", Header + County01 + Muni0114 + Muni0114, "rad 4, fältet \"code\"");
    bad("missing field", municipality("0114\tX\t5\t9000\t1\t1\t1"), "rad 3: en kommunrad har 9 fält");
    bad("empty name", municipality("0114\t\t5\t9000\t1\t1\t1\t1"), "rad 3, fältet \"name\"");
    bad("name with blank", municipality("0114\t X\t5\t9000\t1\t1\t1\t1"), "rad 3, fältet \"name\"");
    bad("not a number", municipality("0114\tX\t5\t9000\tmånga\t1\t1\t1"), "rad 3, fältet \"yes\"");
    bad("negative", municipality("0114\tX\t5\t9000\t1\t-1\t1\t1"), "rad 3, fältet \"no\"");
    bad("decimal", municipality("0114\tX\t5\t9000\t1\t1\t1,5\t1"), "rad 3, fältet \"blank\"");
    bad("huge", municipality("0114\tX\t5\t9000\t1\t1\t1\t99999999999"), "rad 3, fältet \"invalid\"");
    bad("no districts", municipality("0114\tX\t0\t9000\t1\t1\t1\t1"), "rad 3, fältet \"districts\"");
    bad("more votes than voters", municipality("0114\tX\t5\t3\t1\t1\t1\t1"),
        "rad 3, fältet \"electorate\"");
}

void TestDataSet::readsFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile data(dir.filePath(QStringLiteral("data.tsv")));
    QVERIFY(data.open(QIODevice::WriteOnly));
    data.write(text);
    data.close();
    const QString file = QDir(dir.path()).filePath(path);
    try {
        const DataSet data = DataSetParser::fromFile(file);
        QVERIFY2(expected.isEmpty(), "accepted");
        QCOMPARE(data.counties().size(), std::size_t(1));
        const Municipality &m = data.counties()[0].municipalities.at(0);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(m.name).arg(m.districts).arg(m.electorate).arg(m.yes)
                         .arg(m.no).arg(m.blank).arg(m.invalid),
                 QStringLiteral("Upplands Väsby 25 32463 11495 14383 460 64"));
    } catch (const DataSetError &e) {
        QVERIFY2(!expected.isEmpty() && e.message().startsWith(file + ": ") && e.message().contains(expected), qPrintable(e.message()));
    }
}

void TestDataSet::liveNightFiles_data()
{
    // A districts file (every municipality of a one-county data set) or a reporters file.
    QTest::addColumn<bool>("districts");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");    // in the message; empty: read
    const QByteArray head = "municipality\tdistrict\tname\telectorate\n";
    const QByteArray two = "0114\t1\tNorra\t900\n0114\t2\tSödra\t1100\n";
    const QByteArray hash = QByteArray(64, 'a');
    QTest::newRow("districts") << true << "# comment\n" + head + two << QString();
    QTest::newRow("districts: unknown municipality") << true << head + two + "0199\t1\tX\t5\n" << "rad 4, fältet \"municipality\"";
    QTest::newRow("districts: number skipped") << true << head + "0114\t2\tX\t5\n" << "rad 2, fältet \"district\": '2'";
    QTest::newRow("districts: number twice") << true << head + two + "0114\t2\tX\t5\n" << "rad 4, fältet \"district\"";
    QTest::newRow("districts: no electorate") << true << head + "0114\t1\tX\t\n" << "rad 2, fältet \"electorate\"";
    QTest::newRow("districts: municipality left out") << true << head << "kommunen 0114";
    QTest::newRow("districts: header") << true << "kommun\tdistrikt\n" + two << "rad 1: rubrikraden";
    QTest::newRow("reporters") << false << "# who\nanna\t" + hash + "\t01\treporter\n\nbo\t" + QByteArray(64, 'b') + "\t*\tadmin\n" << QString();
    QTest::newRow("reporters: token in clear") << false << QByteArray("anna\ts3cret\t01\treporter\n") << "rad 1, fältet \"sha256\"";
    QTest::newRow("reporters: upper-case hash") << false << "anna\t" + hash.toUpper() + "\t01\treporter\n" << "fältet \"sha256\"";
    QTest::newRow("reporters: same token twice") << false << "a\t" + hash + "\t01\treporter\nb\t" + hash + "\t01\treporter\n" << "rad 2, fältet \"sha256\"";
    QTest::newRow("reporters: same name twice") << false << "a\t" + hash + "\t01\treporter\na\t" + QByteArray(64, 'b') + "\t01\treporter\n" << "rad 2, fältet \"name\"";
    QTest::newRow("reporters: unknown county") << false << "a\t" + hash + "\t01,03\treporter\n" << "rad 1, fältet \"counties\": '03'";
    QTest::newRow("reporters: role") << false << "a\t" + hash + "\t01\tboss\n" << "rad 1, fältet \"role\"";
    QTest::newRow("reporters: spaces for tabs") << false << "a " + hash + " 01 reporter\n" << "rad 1: 4 tabbseparerade";
}

void TestDataSet::liveNightFiles()
{
    QFETCH(bool, districts);
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    const DataSet data = DataSetParser::parse(Header + County01 + Muni0114);
    try {
        if (districts) {
            const DistrictTable table = DistrictsFile::parse(text, data);
            QCOMPARE(table.countIn(0, 0), 2);
            QCOMPARE(table.entries()[std::size_t(*table.find(QStringLiteral("0114"), 2))].name, QStringLiteral("Södra"));
            QVERIFY(!table.find(QStringLiteral("0114"), 3) && !table.find(QStringLiteral("0114"), 0));
        } else {
            const Reporters reporters = Reporters::parse(text, data);
            QCOMPARE(reporters.size(), std::size_t(2));
        }
        QVERIFY2(expected.isEmpty(), "accepted");
    } catch (const DataSetError &e) {
        QVERIFY2(!expected.isEmpty() && e.message().contains(expected), qPrintable(e.message()));
    }
}

void TestDataSet::tokens()
{
    // A new token's line reads back, and only that token opens it.
    const DataSet data = DataSetParser::parse(Header + County01 + Muni0114);
    const auto anna = Reporters::newToken(QStringLiteral("Anna"), QStringLiteral("01"), QStringLiteral("reporter"));
    const auto bo = Reporters::newToken(QStringLiteral("Bo"), QStringLiteral("*"), QStringLiteral("admin"));
    QCOMPARE(anna.token.size(), 43);
    QVERIFY(anna.token != bo.token);
    const Reporters reporters = Reporters::parse((anna.line + u'\n' + bo.line).toUtf8(), data);
    QCOMPARE(reporters.authenticate(anna.token)->name, QStringLiteral("Anna"));
    QVERIFY(reporters.authenticate(bo.token)->admin);
    QVERIFY(!reporters.authenticate(anna.token.chopped(1)));
    QVERIFY(!reporters.authenticate(Reporters::hashOf(anna.token).toHex()));
    QVERIFY(!reporters.authenticate(QByteArray()));
}

QTEST_MAIN(TestDataSet)
#include "tst_dataset.moc"

