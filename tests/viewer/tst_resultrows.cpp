#include "applicationsetup.h"
#include "errornumbers.h"
#include "form1.h"
#include "form1testaccess.h"
#include "raisederror.h"
#include "records.h"

#include <QAbstractItemModel>
#include <QTest>

namespace {

// A decoded object that is not a results record.
class OtherObject : public soap::DispatchObject
{
public:
    bool setMember(const QString &, const QString &) override { return false; }
    std::optional<QString> member(const QString &) const override { return std::nullopt; }
};

QStringList cellTexts(const QAbstractItemModel *model, int row)
{
    QStringList texts;
    for (int column = 0; column < model->columnCount(); ++column)
        texts << model->index(row, column).data().toString();
    return texts;
}

std::shared_ptr<struct_QueryResult> numbered(int i)
{
    auto record = Records::region(QStringLiteral("R%1").arg(i));
    record->setAllDistricts(QString::number(i));
    return record;
}

} // namespace

class tst_ResultRows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    void rowTexts_data()
    {
        QTest::addColumn<QStringList>("members"); // the fifteen members in declaration order
        QTest::addColumn<QStringList>("cells");

        QTest::newRow("decimal comma")
            << QStringList{"2003-09-14 23:10", "county", "01", "Stockholms l\u00e4n", "712", "1010",
                           "734", "52,1", "650", "46,1", "25", "1,8", "12", "1409", "80,3"}
            << QStringList{"Stockholms l\u00e4n", "52,1% (734)", "46,1% (650)", "1,8% (25)", "12",
                           "80,3%", "712", "1010"};
        QTest::newRow("all empty")
            << QStringList(15, QString())
            << QStringList{"", "% ()", "% ()", "% ()", "", "%", "", ""};
        QTest::newRow("leading zeros and spaces")
            << QStringList{"", "", "", " Gotland ", "007", "0010", "0734", "052,10", " 650 ",
                           "46 ,1", "1 234", " ", "012", "99", "080,30"}
            << QStringList{" Gotland ", "052,10% (0734)", "46 ,1% ( 650 )", " % (1 234)", "012",
                           "080,30%", "007", "0010"};
        QTest::newRow("markup stays text")
            << QStringList{"", "", "", "<b>Sk\u00e5ne</b> &amp;", "<i>1</i>", "&lt;2&gt;", "<br>",
                           "1", "2", "3", "4", "5", "<a href='x'>6</a>", "7", "8"}
            << QStringList{"<b>Sk\u00e5ne</b> &amp;", "1% (<br>)", "3% (2)", "5% (4)",
                           "<a href='x'>6</a>", "8%", "<i>1</i>", "&lt;2&gt;"};
    }

    void rowTexts()
    {
        QFETCH(QStringList, members);
        QFETCH(QStringList, cells);
        auto record = std::make_shared<struct_QueryResult>();
        for (int i = 0; i < members.size(); ++i)
            QVERIFY(record->setMember(struct_QueryResult::memberNames()[std::size_t(i)], members[i]));
        Form1 form;
        Form1TestAccess access(form);
        access.showResults(Records::answer({record}));
        const QAbstractItemModel *model = access.table()->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(cellTexts(model, 0), cells);
    }

    void turnoutCountNeverShown()
    {
        auto record = Records::region(QStringLiteral("X"));
        record->setTurnoutNum(QStringLiteral("987654"));
        Form1 form;
        Form1TestAccess access(form);
        access.addResultRow(*record);
        for (const QString &cell : cellTexts(access.table()->model(), 0))
            QVERIFY(!cell.contains(QStringLiteral("987654")));
    }

    void showResultsAppends()
    {
        Form1 form;
        Form1TestAccess access(form);
        const soap::Variant answer = Records::answer({numbered(1), numbered(2)});
        access.addResultRow(*numbered(0));
        access.showResults(answer);
        access.showResults(answer);
        const QAbstractItemModel *model = access.table()->model();
        QStringList names;
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        QCOMPARE(names, (QStringList{"R0", "R1", "R2", "R1", "R2"}));

        access.clearResults();
        QCOMPARE(model->rowCount(), 0);
    }

    void emptyAnswerAddsNothing()
    {
        Form1 form;
        Form1TestAccess access(form);
        access.addResultRow(*numbered(0));
        access.showResults(Records::answer({}));
        QCOMPARE(access.table()->model()->rowCount(), 1);
    }

    // Well past what a 16-bit index could count.
    void largeAnswer()
    {
        constexpr int count = 40000;
        soap::Variant::Array elements;
        elements.reserve(count);
        for (int i = 0; i < count; ++i)
            elements.push_back(numbered(i));
        Form1 form;
        Form1TestAccess access(form);
        access.showResults(Records::answer(std::move(elements)));
        const QAbstractItemModel *model = access.table()->model();
        QCOMPARE(model->rowCount(), count);
        QCOMPARE(model->index(32767, 0).data().toString(), QStringLiteral("R32767"));
        QCOMPARE(model->index(32768, 7).data().toString(), QStringLiteral("32768"));
        QCOMPARE(model->index(count - 1, 0).data().toString(), QStringLiteral("R39999"));
    }

    void elementNotARecord_data()
    {
        QTest::addColumn<bool>("null");
        QTest::newRow("another kind of object") << false;
        QTest::newRow("no object") << true;
    }

    // The rows before the bad element stay; the error says which element it was.
    void elementNotARecord()
    {
        QFETCH(bool, null);
        soap::ObjectPtr bad = null ? soap::ObjectPtr() : std::make_shared<OtherObject>();
        Form1 form;
        Form1TestAccess access(form);
        try {
            access.showResults(Records::answer({numbered(0), numbered(1), bad, numbered(3)}));
            QFAIL("no error raised");
        } catch (const soap::RaisedError &error) {
            QCOMPARE(error.number(), soap::ErrorNumber::TypeMismatch);
            QCOMPARE(error.source(), QStringLiteral("ShowResults"));
            QVERIFY(error.description().contains(QLatin1String("2")));
        }
        QCOMPARE(access.table()->model()->rowCount(), 2);
    }

    void notAnArray()
    {
        Form1 form;
        Form1TestAccess access(form);
        access.addResultRow(*numbered(0));
        QVERIFY_THROWS_EXCEPTION(soap::RaisedError, access.showResults(soap::Variant()));
        QVERIFY_THROWS_EXCEPTION(soap::RaisedError,
                                 access.showResults(soap::Variant(QStringLiteral("text"))));
        QCOMPARE(access.table()->model()->rowCount(), 1);
    }
};

QTEST_MAIN(tst_ResultRows)
#include "tst_resultrows.moc"
