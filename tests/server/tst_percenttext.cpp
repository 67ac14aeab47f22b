#include "percenttext.h"

#include <QTest>

class TestPercentText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void format_data();
    void format();
};

void TestPercentText::format_data()
{
    QTest::addColumn<qint64>("part");
    QTest::addColumn<qint64>("whole");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing counted") << qint64(0) << qint64(0) << "0,0";
    QTest::newRow("all") << qint64(7) << qint64(7) << "100,0";
    QTest::newRow("a third") << qint64(1) << qint64(3) << "33,3";
    QTest::newRow("two thirds") << qint64(2) << qint64(3) << "66,7";
    // Exact halves of a tenth go up; in binary floating point 0.5125 * 100 gives 51.24999...
    QTest::newRow("exact half up") << qint64(41) << qint64(80) << "51,3";
    QTest::newRow("exact half up, small") << qint64(1) << qint64(16) << "6,3";
    QTest::newRow("0.05 percent") << qint64(1) << qint64(2000) << "0,1";
    QTest::newRow("just under half") << qint64(10249) << qint64(20000) << "51,2";
    QTest::newRow("carry into units") << qint64(9996) << qint64(10000) << "100,0";
    QTest::newRow("carry 19.96") << qint64(1996) << qint64(10000) << "20,0";
    QTest::newRow("large counts") << qint64(4999999999) << qint64(10000000000) << "50,0";
}

void TestPercentText::format()
{
    QFETCH(qint64, part);
    QFETCH(qint64, whole);
    QFETCH(QString, expected);
    QCOMPARE(PercentText::of(part, whole), expected);
}

QTEST_MAIN(TestPercentText)
#include "tst_percenttext.moc"
