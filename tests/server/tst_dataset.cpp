#include "dataset.h"
#include "dataseterror.h"

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

private:
    DataSet m_bundled = DataSet::bundled();
};

namespace {

const QByteArray header = "type\tcode\tname\tdistricts\telectorate\tyes\tno\tblank\tinvalid\n";
const QByteArray county01 = "county\t01\tStockholms län\t\t\t\t\t\t\n";
const QByteArray muni0114 = "municipality\t0114\tUpplands Väsby\t25\t32463\t11495\t14383\t460\t64\n";

QByteArray municipality(const QByteArray &fields)
{
    return header + county01 + "municipality\t" + fields + '\n';
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
    good("plain", header + county01 + muni0114);
    good("county row with three fields", header + "county\t01\tStockholms län\n" + muni0114);
    good("comments and blank lines", "# note\n\n" + header + "# more\n" + county01 + "\n" + muni0114);
    good("CRLF", QByteArray(header + county01 + muni0114).replace("\n", "\r\n"));
    good("BOM", "\xEF\xBB\xBF" + header + county01 + muni0114);
    good("no final newline", header + county01 + muni0114.chopped(1));

    QTest::newRow("missing") << QByteArray() << "missing.tsv" << "kan inte läsas";
    // A device that never ends must not be read for ever.
    QTest::newRow("endless") << QByteArray() << "/dev/zero" << "för stor";
    auto bad = [](const char *name, const QByteArray &text, const QString &expected) {
        QTest::newRow(name) << text << "data.tsv" << expected;
    };
    bad("empty", QByteArray(), "rubrikraden saknas");
    bad("wrong header", "type\tcode\tname\n" + county01, "rad 1: rubrikraden");
    bad("no counties", header, "inga län");
    bad("bad UTF-8", header + "county\t01\tStockholms l\xE4n\n" + muni0114, "UTF-8");
    bad("unknown row type", header + county01 + "kommun\t0114\tX\t1\t1\t0\t0\t0\t0\n", "rad 3, fältet \"type\"");
    bad("municipality first", header + muni0114, "rad 2: kommunrad före");
    bad("county code one digit", header + "county\t1\tX\n", "rad 2, fältet \"code\"");
    bad("county code 00", header + "county\t00\tX\n", "rad 2, fältet \"code\"");
    bad("counties out of order",
        header + "county\t03\tUppsala län\nmunicipality\t0305\tHåbo\t5\t9000\t1\t1\t1\t1\n" + county01,
        "rad 4, fältet \"code\"");
    bad("duplicate county", header + county01 + muni0114 + county01, "rad 4, fältet \"code\"");
    bad("county without municipalities", header + county01 + "county\t03\tUppsala län\n", "länet 01 har inga kommuner");
    bad("last county without municipalities", header + county01 + muni0114 + "county\t03\tX\n",
        "länet 03 har inga kommuner");
    bad("county figures given", header + "county\t01\tStockholms län\t5\t\t\t\t\t\n" + muni0114,
        "rad 2, fältet \"districts\"");
    bad("municipality of another county", municipality("0305\tHåbo\t5\t9000\t1\t1\t1\t1"),
        "rad 3, fältet \"code\"");
    bad("municipality code three digits", municipality("014\tX\t5\t9000\t1\t1\t1\t1"), "rad 3, fältet \"code\"");
    bad("duplicate municipality", header + county01 + muni0114 + muni0114, "rad 4, fältet \"code\"");
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
        const DataSet data = DataSet::fromFile(file);
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

QTEST_MAIN(TestDataSet)
#include "tst_dataset.moc"

