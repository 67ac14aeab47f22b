#include "countydictionary.h"
#include "errorbox.h"
#include "errornumbers.h"
#include "freshness.h"
#include "regionanswer.h"
#include "rowtexts.h"
#include "struct_QueryResult.h"

#include <QTest>

namespace {

// A record from its fifteen members in declaration order; missing ones are empty.
soap::ObjectPtr record(const QStringList &members)
{
    auto made = std::make_shared<struct_QueryResult>();
    for (int i = 0; i < members.size(); ++i)
        made->setMember(struct_QueryResult::memberNames()[std::size_t(i)], members[i]);
    return made;
}

soap::ObjectPtr county(const QString &name, const QString &code, const QString &type = "county")
{
    return record({"2003-09-14T23:58:02", type, code, name});
}

} // namespace

// The window's widget-free parts, driven directly.
class TestViewerParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every text as sent, the turnout count (member 14) never shown.
    void rowTexts()
    {
        const QStringList members{"", "", "", " <b>Gotland</b> ", "007", "0010", "0734", "052,10",
                                  " 650 ", "46 ,1", "1 234", " ", "&lt;2&gt;", "99", "080,30"};
        const ResultsTableModel::Row texts =
            RowTexts::of(dynamic_cast<const struct_QueryResult &>(*record(members)));
        QCOMPARE(QStringList(texts.begin(), texts.end()),
                 (QStringList{" <b>Gotland</b> ", "052,10% (0734)", "46 ,1% ( 650 )", " % (1 234)",
                              "&lt;2&gt;", "080,30%", "007", "0010"}));
    }

    // Refused whole at its first element that is not a record, named by its place. Only type
    // exactly "county" names a county, letter case and blanks counting; a name's first code counts.
    void answer()
    {
        QVERIFY_THROWS_EXCEPTION(soap::RaisedError, RegionAnswer(soap::Variant(QString("x")), "x"));
        try {
            RegionAnswer(soap::Variant({county("A", "1"), county("B", "2"), nullptr}), "LoadCountyResults");
            QFAIL("no error raised");
        } catch (const soap::RaisedError &error) {
            QCOMPARE(error.number(), soap::ErrorNumber::TypeMismatch);
            QCOMPARE(error.source(), QStringLiteral("LoadCountyResults"));
            QVERIFY(error.description().contains(QLatin1String("2")));
        }
        const RegionAnswer answer(
            soap::Variant({county("Riket", "00", "country"),
                           county("Dubbla", "03"), county("dubbla", "04"), county("Dubbla", "05"),
                           county("Dubbla ", "06"), county("X", "07", "County"),
                           county("Y", "08", "county ")}),
            "LoadCountryResults");
        const std::unique_ptr<CountyDictionary> codes = answer.counties();
        QCOMPARE(codes->keys(), (QStringList{"Dubbla", "dubbla", "Dubbla "}));
        QCOMPARE(codes->item("Dubbla"), QStringLiteral("03"));
        // Looking up a name that is not there never adds it.
        QCOMPARE(codes->item("Inget"), QString());
        QVERIFY(!codes->contains("Inget"));
    }

    // A line break or other control character the service sent is shown as a space, the rest
    // as sent; a failure before anything was shown stands alone.
    void freshness()
    {
        Freshness fresh;
        fresh.failed(QTime(7, 5, 9));
        QCOMPARE(fresh.text(), QStringLiteral("Senaste h\u00e4mtningen misslyckades 07:05:09"));
        fresh.shown("A\nB", "2003-09-14\r\n<b>23:58</b>\u2028");
        QCOMPARE(fresh.text(), QStringLiteral("A B \u00b7 2003-09-14  <b>23:58</b> "));
    }

    // The sentence first, then number and source on lines of their own; a "%2" in the
    // service's text is left as it is; a text too long for a box is cut, and says so.
    void errorText()
    {
        const QList<std::pair<QString, QString>> shownFor = {
            {"Tj\u00e4nsten svarar inte (100%2 nere).", "Tj\u00e4nsten svarar inte (100%2 nere)."},
            {QString(5000, 'x'), QString(1000, 'x') + "\u2026"},
            {QString("rad\n").repeated(40), QString("rad\n").repeated(15).chopped(1) + "\u2026"}};
        for (const auto &[description, shown] : shownFor) {
            const soap::RaisedError error(soap::ErrorNumber::CannotConnect, "SoapClient", description);
            QCOMPARE(ErrorBox::text(error), shown + "\n\nFel -2147217407 (0x80041001)\nK\u00e4lla: SoapClient");
        }
    }
};

QTEST_MAIN(TestViewerParts)
#include "tst_viewerparts.moc"
