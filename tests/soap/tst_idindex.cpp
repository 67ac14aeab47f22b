#include "idindex.h"

#include <QTest>

#include <string>

using soap::IdIndex;

class tst_IdIndex : public QObject
{
    Q_OBJECT

private slots:
    void numbersIdsInOrderAndRefusesRepeats_data();
    void numbersIdsInOrderAndRefusesRepeats();
};

void tst_IdIndex::numbersIdsInOrderAndRefusesRepeats_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("reserved");

    QTest::newRow("none") << 0 << 0;
    QTest::newRow("one") << 1 << 0;
    QTest::newRow("just past the first growth") << 13 << 0;
    QTest::newRow("many, grown step by step") << 5000 << 0;
    QTest::newRow("more than reserved") << 3000 << 100;
}

void tst_IdIndex::numbersIdsInOrderAndRefusesRepeats()
{
    QFETCH(int, count);
    QFETCH(int, reserved);

    IdIndex index;
    index.reserve(std::size_t(reserved));
    // "id1" is a prefix of "id10": ids must match whole.
    const auto id = [](int i) { return "id" + std::to_string(i); };
    for (int i = 0; i < count; ++i)
        QVERIFY(index.insert(id(i)));
    QCOMPARE(index.size(), std::size_t(count));

    for (int i = 0; i < count; ++i) {
        QCOMPARE(index.find(id(i)), std::size_t(i));
        QCOMPARE(index.at(std::size_t(i)), id(i));
        QVERIFY(!index.insert(id(i)));
    }
    QCOMPARE(index.size(), std::size_t(count));
    QCOMPARE(index.find(id(count)), IdIndex::NotFound);
    QCOMPARE(index.find("id"), IdIndex::NotFound);
    QCOMPARE(index.find(""), IdIndex::NotFound);
    QCOMPARE(index.find("ID0"), IdIndex::NotFound);
}

QTEST_MAIN(tst_IdIndex)
#include "tst_idindex.moc"
