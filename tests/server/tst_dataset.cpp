#include "dataset.h"
#include "dataseterror.h"
#include "datasetparser.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestDataSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bundledCounties();
    void bundledMunicipalities();
    void bundledKnownMunicipalities_data();
    void bundledKnownMunicipalities();
    void bundledCountsAreConsistent();
    void generatorOutputIsBundled();

    void acceptsVariants_data();
    void acceptsVariants();
    void refusesBadFiles_data();
    void refusesBadFiles();
    void fileErrorsNameTheFile();

private:
    DataSet m_bundled = DataSet::bundled();
};

namespace {

const QByteArray header = "type\tcode\tname\tdistricts\telectorate\tyes\tno\tblank\tinvalid\n";
const QByteArray county01 = "county\t01\tStockholms län\t\t\t\t\t\t\n";
const QByteArray muni0114 = "municipality\t0114\tUpplands Väsby\t25\t32463\t11495\t14383\t460\t64\n";

} // namespace

void TestDataSet::bundledCounties()
{
    const QStringList expected = {
        "01 Stockholms län", "03 Uppsala län", "04 Södermanlands län", "05 Östergötlands län",
        "06 Jönköpings län", "07 Kronobergs län", "08 Kalmar län", "09 Gotlands län",
        "10 Blekinge län", "12 Skåne län", "13 Hallands län", "14 Västra Götalands län",
        "17 Värmlands län", "18 Örebro län", "19 Västmanlands län", "20 Dalarnas län",
        "21 Gävleborgs län", "22 Västernorrlands län", "23 Jämtlands län",
        "24 Västerbottens län", "25 Norrbottens län",
    };
    QStringList actual;
    for (const County &c : m_bundled.counties())
        actual << c.code + u' ' + c.name;
    QCOMPARE(actual, expected);
}

void TestDataSet::bundledMunicipalities()
{
    QCOMPARE(m_bundled.municipalityCount(), 290);
    QSet<QString> codes;
    QSet<QString> names;
    for (const County &c : m_bundled.counties()) {
        QVERIFY2(!c.municipalities.empty(), qPrintable(c.code));
        QString previous;
        for (const Municipality &m : c.municipalities) {
            QVERIFY2(m.code.startsWith(c.code), qPrintable(m.code));
            QVERIFY2(m.code > previous, qPrintable(m.code));
            previous = m.code;
            codes.insert(m.code);
            names.insert(m.name);
        }
    }
    QCOMPARE(codes.size(), 290);
    QCOMPARE(names.size(), 290);
    // About 6,000 voting districts in the country, as on a real election night.
    QVERIFY2(m_bundled.districtCount() > 5500 && m_bundled.districtCount() < 6500,
             qPrintable(QString::number(m_bundled.districtCount())));
}

void TestDataSet::bundledKnownMunicipalities_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << "0114" << "Upplands Väsby";
    QTest::newRow("capital") << "0180" << "Stockholm";
    QTest::newRow("Göteborg") << "1480" << "Göteborg";
    QTest::newRow("Malmö") << "1280" << "Malmö";
    QTest::newRow("Gotland") << "0980" << "Gotland";
    QTest::newRow("hyphenated") << "2023" << "Malung-Sälen";
    QTest::newRow("last") << "2584" << "Kiruna";
}

void TestDataSet::bundledKnownMunicipalities()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    const int county = m_bundled.countyIndex(code.left(2));
    QVERIFY(county >= 0);
    for (const Municipality &m : m_bundled.counties()[std::size_t(county)].municipalities) {
        if (m.code == code) {
            QCOMPARE(m.name, name);
            return;
        }
    }
    QFAIL("municipality missing");
}

void TestDataSet::bundledCountsAreConsistent()
{
    for (const County &c : m_bundled.counties()) {
        for (const Municipality &m : c.municipalities) {
            const auto cast = m.yes + m.no + m.blank + m.invalid;
            QVERIFY2(cast <= m.electorate && cast * 10 > m.electorate * 6, qPrintable(m.code));
            QVERIFY2(m.electorate / m.districts > 300 && m.electorate / m.districts < 3000, qPrintable(m.code));
        }
    }
}

void TestDataSet::generatorOutputIsBundled()
{
    // The committed file must be what the committed generator writes.
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

void TestDataSet::acceptsVariants_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("plain") << header + county01 + muni0114;
    QTest::newRow("county row with three fields") << header + "county\t01\tStockholms län\n" + muni0114;
    QTest::newRow("comments and blank lines") << "# note\n\n" + header + "# more\n" + county01 + "\n" + muni0114;
    QTest::newRow("CRLF") << QByteArray(header + county01 + muni0114).replace("\n", "\r\n");
    QTest::newRow("BOM") << "\xEF\xBB\xBF" + header + county01 + muni0114;
    QTest::newRow("no final newline") << header + county01 + muni0114.chopped(1);
}

void TestDataSet::acceptsVariants()
{
    QFETCH(QByteArray, text);
    const DataSet data = DataSetParser::parse(text);
    QCOMPARE(data.counties().size(), std::size_t(1));
    const Municipality &m = data.counties()[0].municipalities.at(0);
    QCOMPARE(m.name, QStringLiteral("Upplands Väsby"));
    QCOMPARE(m.districts, 25);
    QCOMPARE(m.electorate, 32463);
    QCOMPARE(m.yes, 11495);
    QCOMPARE(m.no, 14383);
    QCOMPARE(m.blank, 460);
    QCOMPARE(m.invalid, 64);
}

void TestDataSet::refusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");    // must appear in the message

    QTest::newRow("empty") << QByteArray() << "rubrikraden saknas";
    QTest::newRow("wrong header") << "type\tcode\tname\n" + county01 << "rad 1: rubrikraden";
    QTest::newRow("no counties") << header << "inga län";
    QTest::newRow("bad UTF-8") << header + "county\t01\tStockholms l\xE4n\n" + muni0114 << "UTF-8";
    QTest::newRow("unknown row type") << header + county01 + "kommun\t0114\tX\t1\t1\t0\t0\t0\t0\n"
                                      << "rad 3, fältet \"type\"";
    QTest::newRow("municipality first") << header + muni0114 << "rad 2: kommunrad före";
    QTest::newRow("county code one digit") << header + "county\t1\tX\n" << "rad 2, fältet \"code\"";
    QTest::newRow("county code 00") << header + "county\t00\tX\n" << "rad 2, fältet \"code\"";
    QTest::newRow("counties out of order")
            << header + "county\t03\tUppsala län\n" + "municipality\t0305\tHåbo\t5\t9000\t1\t1\t1\t1\n" + county01
            << "rad 4, fältet \"code\"";
    QTest::newRow("duplicate county") << header + county01 + muni0114 + county01 << "rad 4, fältet \"code\"";
    QTest::newRow("county without municipalities") << header + county01 + "county\t03\tUppsala län\n"
                                                   << "länet 01 har inga kommuner";
    QTest::newRow("last county without municipalities") << header + county01 + muni0114 + "county\t03\tX\n"
                                                        << "länet 03 har inga kommuner";
    QTest::newRow("county figures given") << header + "county\t01\tStockholms län\t5\t\t\t\t\t\n" + muni0114
                                          << "rad 2, fältet \"districts\"";
    QTest::newRow("municipality of another county")
            << header + county01 + "municipality\t0305\tHåbo\t5\t9000\t1\t1\t1\t1\n" << "rad 3, fältet \"code\"";
    QTest::newRow("municipality code three digits")
            << header + county01 + "municipality\t014\tX\t5\t9000\t1\t1\t1\t1\n" << "rad 3, fältet \"code\"";
    QTest::newRow("duplicate municipality") << header + county01 + muni0114 + muni0114 << "rad 4, fältet \"code\"";
    QTest::newRow("missing field") << header + county01 + "municipality\t0114\tX\t5\t9000\t1\t1\t1\n"
                                   << "rad 3: en kommunrad har 9 fält";
    QTest::newRow("empty name") << header + county01 + "municipality\t0114\t\t5\t9000\t1\t1\t1\t1\n"
                                << "rad 3, fältet \"name\"";
    QTest::newRow("name with blank") << header + county01 + "municipality\t0114\t X\t5\t9000\t1\t1\t1\t1\n"
                                     << "rad 3, fältet \"name\"";
    QTest::newRow("not a number") << header + county01 + "municipality\t0114\tX\t5\t9000\tmånga\t1\t1\t1\n"
                                  << "rad 3, fältet \"yes\"";
    QTest::newRow("negative") << header + county01 + "municipality\t0114\tX\t5\t9000\t1\t-1\t1\t1\n"
                              << "rad 3, fältet \"no\"";
    QTest::newRow("decimal") << header + county01 + "municipality\t0114\tX\t5\t9000\t1\t1\t1,5\t1\n"
                             << "rad 3, fältet \"blank\"";
    QTest::newRow("huge") << header + county01 + "municipality\t0114\tX\t5\t9000\t1\t1\t1\t99999999999\n"
                          << "rad 3, fältet \"invalid\"";
    QTest::newRow("no districts") << header + county01 + "municipality\t0114\tX\t0\t9000\t1\t1\t1\t1\n"
                                  << "rad 3, fältet \"districts\"";
    QTest::newRow("more votes than voters")
            << header + county01 + "municipality\t0114\tX\t5\t3\t1\t1\t1\t1\n" << "rad 3, fältet \"electorate\"";
}

void TestDataSet::refusesBadFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    try {
        DataSetParser::parse(text);
        QFAIL("accepted");
    } catch (const DataSetError &e) {
        QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
    }
}

void TestDataSet::fileErrorsNameTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.tsv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(header + county01 + "municipality\t0114\tX\t5\t9000\tx\t1\t1\t1\n");
    file.close();
    try {
        DataSet::fromFile(path);
        QFAIL("accepted");
    } catch (const DataSetError &e) {
        QVERIFY2(e.message().startsWith(path + ": rad 3, fältet \"yes\""), qPrintable(e.message()));
    }
    try {
        DataSet::fromFile(dir.filePath(QStringLiteral("missing.tsv")));
        QFAIL("accepted");
    } catch (const DataSetError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("missing.tsv: kan inte läsas")), qPrintable(e.message()));
    }
    try {
        DataSet::fromFile(QStringLiteral("/dev/zero"));
        QFAIL("accepted");
    } catch (const DataSetError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("för stor")), qPrintable(e.message()));
    }
}

QTEST_MAIN(TestDataSet)
#include "tst_dataset.moc"
