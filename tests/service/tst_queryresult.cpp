#include "struct_QueryResult.h"

#include <QTest>

#include <functional>

namespace {

// The direct accessors, in declaration order, paired with the name the mapper uses.
struct Accessor
{
    QString name;
    std::function<QString(const struct_QueryResult &)> read;
    std::function<void(struct_QueryResult &, const QString &)> write;
};

QList<Accessor> accessors()
{
#define KSV_ACCESSOR(member, setter)                                                               \
    Accessor{QStringLiteral(#member), [](const struct_QueryResult &r) { return r.member(); },     \
             [](struct_QueryResult &r, const QString &v) { r.setter(v); }}
    return {KSV_ACCESSOR(generated, setGenerated),       KSV_ACCESSOR(resultType, setResultType),
            KSV_ACCESSOR(code, setCode),                 KSV_ACCESSOR(name, setName),
            KSV_ACCESSOR(readyDistricts, setReadyDistricts),
            KSV_ACCESSOR(allDistricts, setAllDistricts), KSV_ACCESSOR(yesNum, setYesNum),
            KSV_ACCESSOR(yesPerc, setYesPerc),           KSV_ACCESSOR(noNum, setNoNum),
            KSV_ACCESSOR(noPerc, setNoPerc),             KSV_ACCESSOR(blankNum, setBlankNum),
            KSV_ACCESSOR(blankPerc, setBlankPerc),       KSV_ACCESSOR(invalidNum, setInvalidNum),
            KSV_ACCESSOR(turnoutNum, setTurnoutNum),     KSV_ACCESSOR(turnoutPerc, setTurnoutPerc)};
#undef KSV_ACCESSOR
}

} // namespace

class TestQueryResult : public QObject
{
    Q_OBJECT
private slots:
    void namesMatchAccessorsInOrder();
    void byNameReachesOnlyItsOwnMember_data();
    void byNameReachesOnlyItsOwnMember();
    void textPassesUnchanged_data();
    void textPassesUnchanged();
    void unknownNamesLeaveTheRecordAlone_data();
    void unknownNamesLeaveTheRecordAlone();
};

void TestQueryResult::namesMatchAccessorsInOrder()
{
    const auto list = accessors();
    const auto &names = struct_QueryResult::memberNames();
    QCOMPARE(int(names.size()), list.size());
    for (int i = 0; i < list.size(); ++i)
        QCOMPARE(names[std::size_t(i)], list[i].name);
}

void TestQueryResult::byNameReachesOnlyItsOwnMember_data()
{
    QTest::addColumn<int>("index");
    const auto list = accessors();
    for (int i = 0; i < list.size(); ++i)
        QTest::newRow(qPrintable(list[i].name)) << i;
}

void TestQueryResult::byNameReachesOnlyItsOwnMember()
{
    QFETCH(int, index);
    const auto list = accessors();
    struct_QueryResult record;
    QVERIFY(record.setMember(list[index].name, QStringLiteral("värde")));
    for (int i = 0; i < list.size(); ++i) {
        QCOMPARE(list[i].read(record), i == index ? QStringLiteral("värde") : QString());
        QCOMPARE(record.member(list[i].name), std::optional<QString>(list[i].read(record)));
    }
    list[index].write(record, QStringLiteral("annat"));
    QCOMPARE(record.member(list[index].name), std::optional<QString>(QStringLiteral("annat")));
}

void TestQueryResult::textPassesUnchanged_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal comma") << QStringLiteral("52,30");
    QTest::newRow("leading zeros") << QStringLiteral("0007");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks around") << QStringLiteral("  12 ");
    QTest::newRow("non-Latin") << QStringLiteral("Västra Götalands län");
}

void TestQueryResult::textPassesUnchanged()
{
    QFETCH(QString, text);
    struct_QueryResult record;
    for (const Accessor &accessor : accessors()) {
        record.setMember(accessor.name, text);
        QCOMPARE(accessor.read(record), text);
    }
}

void TestQueryResult::unknownNamesLeaveTheRecordAlone_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("other case") << QStringLiteral("YesNum");
    QTest::newRow("trailing blank") << QStringLiteral("code ");
    QTest::newRow("not a member") << QStringLiteral("region");
    QTest::newRow("empty") << QString();
}

void TestQueryResult::unknownNamesLeaveTheRecordAlone()
{
    QFETCH(QString, name);
    struct_QueryResult record;
    QVERIFY(!record.setMember(name, QStringLiteral("x")));
    QVERIFY(!record.member(name).has_value());
    for (const Accessor &accessor : accessors())
        QCOMPARE(accessor.read(record), QString());
}

QTEST_MAIN(TestQueryResult)
#include "tst_queryresult.moc"
