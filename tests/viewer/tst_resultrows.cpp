#include "applicationsetup.h"
#include "errornumbers.h"
#include "form1.h"
#include "form1testaccess.h"
#include "raisederror.h"
#include "records.h"

#include <QAbstractItemModel>
#include <QTest>

Q_DECLARE_METATYPE(soap::Variant)

namespace {

// A decoded object that is not a results record.
class OtherObject : public soap::DispatchObject
{
public:
    bool setMember(QStringView, QStringView) override { return false; }
    std::optional<QString> member(QStringView) const override { return std::nullopt; }
};

QStringList cellTexts(const QAbstractItemModel *model, int row)
{
    QStringList texts;
    for (int column = 0; column < model->columnCount(); ++column)
        texts << model->index(row, column).data().toString();
    return texts;
}

QStringList names(const QAbstractItemModel *model)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, 0).data().toString();
    return texts;
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

        // The turnout count (member 14) is never shown.
        QTest::newRow("decimal comma")
            << QStringList{"2003-09-14 23:10", "county", "01", "Stockholms l\u00e4n", "712", "1010",
                           "734", "52,1", "650", "46,1", "25", "1,8", "12", "987654", "80,3"}
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
        QCOMPARE(access.table()->model()->rowCount(), 1);
        QCOMPARE(cellTexts(access.table()->model(), 0), cells);
    }

    void showResultsAppends()
    {
        Form1 form;
        Form1TestAccess access(form);
        const soap::Variant answer = Records::answer({Records::region("R1"), Records::region("R2")});
        access.addResultRow(*Records::region("R0"));
        access.showResults(answer);
        access.showResults(Records::answer({}));
        access.showResults(answer);
        QCOMPARE(names(access.table()->model()), (QStringList{"R0", "R1", "R2", "R1", "R2"}));
        access.clearResults();
        QCOMPARE(access.table()->model()->rowCount(), 0);
    }

    void notARecord_data()
    {
        QTest::addColumn<soap::Variant>("answer");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("errorNumber");
        const auto r = [](const char *name) { return Records::region(name); };
        // The rows before the bad element stay; the error says which element it was.
        QTest::newRow("another kind of object")
            << Records::answer({r("R0"), r("R1"), std::make_shared<OtherObject>(), r("R3")})
            << QStringList{"X", "R0", "R1"} << int(soap::ErrorNumber::TypeMismatch);
        QTest::newRow("no object") << Records::answer({r("R0"), r("R1"), nullptr})
                                   << QStringList{"X", "R0", "R1"} << int(soap::ErrorNumber::TypeMismatch);
        QTest::newRow("empty") << soap::Variant() << QStringList{"X"} << -1;
        QTest::newRow("text") << soap::Variant(QStringLiteral("text")) << QStringList{"X"} << -1;
    }

    void notARecord()
    {
        QFETCH(soap::Variant, answer);
        QFETCH(QStringList, rows);
        QFETCH(int, errorNumber);
        Form1 form;
        Form1TestAccess access(form);
        access.addResultRow(*Records::region("X"));
        try {
            access.showResults(answer);
            QFAIL("no error raised");
        } catch (const soap::RaisedError &error) {
            if (errorNumber != -1) {
                QCOMPARE(int(error.number()), errorNumber);
                QCOMPARE(error.source(), QStringLiteral("ShowResults"));
                QVERIFY(error.description().contains(QLatin1String("2")));
            }
        }
        QCOMPARE(names(access.table()->model()), rows);
    }
};

QTEST_MAIN(tst_ResultRows)
#include "tst_resultrows.moc"
