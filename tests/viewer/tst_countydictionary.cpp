#include "countycode.h"
#include "countydictionary.h"

#include <QTest>

class tst_CountyDictionary : public QObject
{
    Q_OBJECT

private slots:
    // Keys are exact (case and blanks count) and kept in order; a name's first code counts.
    void keysExactInOrderFirstCounts()
    {
        CountyDictionary codes;
        QVERIFY(codes.add("Uppsala l\u00e4n", "03"));
        QVERIFY(codes.add("uppsala l\u00e4n", "33"));
        QVERIFY(codes.add("Uppsala l\u00e4n ", "43"));
        QVERIFY(!codes.add("Uppsala l\u00e4n", "05"));
        QCOMPARE(codes.keys(), (QStringList{"Uppsala l\u00e4n", "uppsala l\u00e4n", "Uppsala l\u00e4n "}));
        QCOMPARE(codes.item("Uppsala l\u00e4n"), QStringLiteral("03"));
        QCOMPARE(codes.item("uppsala l\u00e4n"), QStringLiteral("33"));
    }

    void absentNameReadsEmptyAndIsNotAdded()
    {
        CountyDictionary codes;
        codes.add("A", "01");
        QVERIFY(codes.item("B").isEmpty());
        QVERIFY(!codes.contains("B"));
        QCOMPARE(codes.keys(), QStringList{"A"});
    }

    void codeAsNumber_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("leading zero") << "01" << true << 1.0;
        QTest::newRow("double zero") << "00" << true << 0.0;
        QTest::newRow("blanks around") << "  7 " << true << 7.0;
        QTest::newRow("negative") << "-3" << true << -3.0;
        QTest::newRow("decimal comma") << "1,5" << true << 1.5;
        QTest::newRow("decimal point") << "0.5" << true << 0.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("letters") << "AB" << false << 0.0;
        QTest::newRow("trailing letter") << "01x" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("exponent") << "1e3" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("arabic-indic digit") << "\u0661" << false << 0.0;
    }

    void codeAsNumber()
    {
        QFETCH(QString, code);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> number = CountyCode::toNumber(code);
        QCOMPARE(number.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*number, value);
    }
};

QTEST_APPLESS_MAIN(tst_CountyDictionary)
#include "tst_countydictionary.moc"
