#include "struct_QueryResult.h"

#include <QTest>

#include <algorithm>
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
    void unknownNamesLeaveTheRecordAlone_data();
    void unknownNamesLeaveTheRecordAlone();
    void settingInAnyOrderKeepsTheOthers_data();
    void settingInAnyOrderKeepsTheOthers();
};

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

namespace {

// "index:value", applied in turn.
QStringList inOrder(const QString &prefix, int length = 0)
{
    QStringList steps;
    for (int i = 0; i < 15; ++i) {
        const QString value = prefix + QString::number(i);
        steps << QStringLiteral("%1:%2").arg(i).arg(length > 0 ? value.leftJustified(length, QLatin1Char('.')) : value);
    }
    return steps;
}

} // namespace

void TestQueryResult::settingInAnyOrderKeepsTheOthers_data()
{
    QTest::addColumn<QStringList>("steps");
    const QString longText = QStringLiteral("Västra Götalands län ").repeated(20);
    QStringList reversed = inOrder(QStringLiteral("v"));
    std::reverse(reversed.begin(), reversed.end());

    QTest::newRow("declaration order") << inOrder(QStringLiteral("v"));
    QTest::newRow("reverse order") << reversed;
    // Text passes unchanged: decimal comma, leading zeros, blanks, non-Latin letters.
    QTest::newRow("every other, then the rest")
        << QStringList{"0:52,30", "2:0007", "4:  12 ", "14:Västra Götalands län", "1:b", "3:ddd", "13:n", "5:f"};
    QTest::newRow("middle made longer, then shorter, then emptied")
        << inOrder(QStringLiteral("v")) + QStringList{"7:" + longText, "7:x", "7:"};
    QTest::newRow("first and last replaced") << inOrder(QStringLiteral("v")) + QStringList{"0:first", "14:", "14:last"};
    QTest::newRow("past the inline room, then shrunk")
        << inOrder(QStringLiteral("long"), 100) + QStringList{"0:", "5:s", "14:t"};
    QTest::newRow("one long member among short ones")
        << QStringList{"3:" + longText} + inOrder(QStringLiteral("v")).mid(4) + QStringList{"0:a", "3:b", "3:" + longText};
}

void TestQueryResult::settingInAnyOrderKeepsTheOthers()
{
    QFETCH(QStringList, steps);
    const auto list = accessors();
    // The by-name list holds the fifteen members in declaration order.
    QStringList names;
    for (const Accessor &accessor : list)
        names << accessor.name;
    const auto &byName = struct_QueryResult::memberNames();
    QCOMPARE(QStringList(byName.begin(), byName.end()), names);
    QStringList expected(list.size());
    struct_QueryResult record;
    for (const QString &step : steps) {
        const qsizetype colon = step.indexOf(QLatin1Char(':'));
        const int index = step.left(colon).toInt();
        const QString value = step.mid(colon + 1);
        if (index % 2) // half through the typed setters, half by name
            list[index].write(record, value);
        else
            QVERIFY(record.setMember(list[index].name, value));
        expected[index] = value;
        for (int i = 0; i < list.size(); ++i)
            QCOMPARE(list[i].read(record), expected[i]);
    }
    const struct_QueryResult copy = record;
    for (int i = 0; i < list.size(); ++i)
        QCOMPARE(copy.member(list[i].name), std::optional<QString>(expected[i]));
}

QTEST_MAIN(TestQueryResult)
#include "tst_queryresult.moc"
