#include "answerwriter.h"
#include "applicationsetup.h"
#include "loadedwindow.h"
#include "modalcloser.h"
#include "records.h"

#include <QTest>

namespace {

const QString Country = QStringLiteral("getCountryResultsValnatt");
const QString County = QStringLiteral("getCountyResultsValnatt");
const QString WholeCountry = QStringLiteral("Hela landet");
const QString Separator = QStringLiteral("----------------");

ResultRow county(const QString &name, const QString &code, const QString &type = QStringLiteral("county"))
{
    return CannedService::row(name, type, code);
}

std::vector<ResultRow> threeCounties()
{
    return {county("Riket", "00", "country"), county("Stockholms l\u00e4n", "01"),
            county("Uppsala l\u00e4n", "03"), county("Gotlands l\u00e4n", "09")};
}

QStringList entries(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

} // namespace

class tst_RegionFetch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    // Only elements of type exactly "county" become entries; every element becomes a row.
    void wholeCountryShowsEveryElementAndRebuildsList()
    {
        LoadedWindow window(threeCounties());
        QCOMPARE(entries(window.access->regionList()),
                 (QStringList{WholeCountry, Separator, "Stockholms l\u00e4n", "Uppsala l\u00e4n",
                              "Gotlands l\u00e4n"}));
        QCOMPARE(window.access->regionList()->currentText(), WholeCountry);
        QVERIFY(window.rows().isEmpty());
        auto changed = threeCounties();
        changed.erase(changed.begin() + 2);
        changed.push_back(county("County X", "20", "County"));
        changed.push_back(county("Blank", "21", "county "));
        window.service.answer(Country, changed);
        window.visa();
        QCOMPARE(window.rows(), (QStringList{"Riket", "Stockholms l\u00e4n", "Gotlands l\u00e4n",
                                             "County X", "Blank"}));
        QCOMPARE(entries(window.access->regionList()),
                 (QStringList{WholeCountry, Separator, "Stockholms l\u00e4n", "Gotlands l\u00e4n"}));
        QCOMPARE(window.access->regionList()->currentText(), WholeCountry);
        QCOMPARE(window.access->secondsLeft(), 60);
    }

    // Choosing fetches nothing; the county's fetch leaves the list and the country answer alone,
    // and every fetch gets a client of its own.
    void countyShowsItsAnswerAndLeavesList()
    {
        LoadedWindow window(threeCounties());
        window.visa();
        window.choose("Gotlands l\u00e4n");
        QCOMPARE(window.service.calls(), 1);
        window.service.answer(County, {county("Gotland", "0980", "municipality")});
        window.visa();
        window.visa();
        QCOMPARE(window.service.countyArguments(), (QStringList{"09", "09"}));
        QCOMPARE(window.service.wsdlFetches(), 3);
        QCOMPARE(window.rows(), QStringList{"Gotland"});
        QCOMPARE(window.access->regionList()->count(), 5);
        QCOMPARE(window.access->regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
        QCOMPARE(window.access->countryResults().array().size(), std::size_t(4));
    }

    // A county is fetched by its code exactly as the dictionary holds it when that is a number
    // above 0; a code that is no number is reported and changes nothing. The status text waits
    // for the next tick; a fetch, or nothing to fetch, restarts the count.
    void countyCode_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("outcome");
        const QString county = QStringLiteral("L\u00e4net");
        QTest::newRow("leading zero") << county << "01" << "fetched";
        QTest::newRow("blanks around") << county << " 7 " << "fetched";
        QTest::newRow("decimal comma") << county << "1,5" << "fetched";
        QTest::newRow("decimal point") << county << "0.5" << "fetched";
        QTest::newRow("separator") << Separator << "01" << "nothing";
        QTest::newRow("not in the dictionary") << "Inget l\u00e4n" << "01" << "nothing";
        QTest::newRow("code 0") << county << "0" << "nothing";
        QTest::newRow("code 00") << county << "00" << "nothing";
        QTest::newRow("zero with blanks") << county << " 0 " << "nothing";
        QTest::newRow("zero with decimal comma") << county << "0,0" << "nothing";
        QTest::newRow("negative") << county << "-3" << "nothing";
        QTest::newRow("empty") << county << "" << "not a number";
        QTest::newRow("letters") << county << "AB" << "not a number";
        QTest::newRow("trailing letter") << county << "01x" << "not a number";
        QTest::newRow("hex") << county << "0x10" << "not a number";
        QTest::newRow("exponent") << county << "1e3" << "not a number";
        QTest::newRow("infinity") << county << "inf" << "not a number";
        QTest::newRow("arabic-indic digit") << county << "\u0661" << "not a number";
    }

    void countyCode()
    {
        QFETCH(QString, choice);
        QFETCH(QString, code);
        QFETCH(QString, outcome);
        LoadedWindow window({county("L\u00e4net", code)});
        window.service.answer(County, {county("Kommunen", "1")});
        window.access->regionList()->addItem("Inget l\u00e4n");
        window.access->addResultRow(*Records::region("Kvar"));
        window.access->statusBar()->showMessage("Uppdatering om 12 sekunder");
        window.access->setSecondsLeft(12);
        window.choose(choice);
        ModalCloser closer;
        window.visa();
        const bool fetched = outcome == "fetched";
        QCOMPARE(window.service.countyArguments(), fetched ? QStringList{code} : QStringList());
        QCOMPARE(window.rows(), QStringList{fetched ? "Kommunen" : "Kvar"});
        QCOMPARE(window.status(), QStringLiteral("Uppdatering om 12 sekunder"));
        QVERIFY(!window.access->countyCodes()->contains("Inget l\u00e4n"));
        if (outcome != "not a number") {
            QVERIFY(closer.seen().isEmpty());
            QCOMPARE(window.access->secondsLeft(), 60);
            return;
        }
        QCOMPARE(window.access->secondsLeft(), 12);
        QCOMPARE(closer.seen().size(), 1);
        const QString text = closer.seen().first().text;
        QCOMPARE(closer.seen().first().title, QStringLiteral("Kestrova 2003 Viewer"));
        QVERIFY(text.contains("L\u00e4net"));
        QVERIFY(text.contains('"' + code + '"'));
        QVERIFY(text.contains("13 (0x0000000d)"));
    }

    // Names are exact, case and blanks count; a name's first code counts.
    void countyNamedTwiceFirstCounts()
    {
        LoadedWindow window({county("Dubbla", "03"), county("dubbla", "04"), county("Dubbla", "05"),
                             county("Dubbla ", "06")});
        QCOMPARE(entries(window.access->regionList()),
                 (QStringList{WholeCountry, Separator, "Dubbla", "dubbla", "Dubbla "}));
        window.service.answer(County, {});
        for (const char *name : {"Dubbla", "dubbla", "Dubbla "}) {
            window.choose(name);
            window.visa();
        }
        QCOMPARE(window.service.countyArguments(), (QStringList{"03", "04", "06"}));
    }

    void emptyCountryAnswer()
    {
        LoadedWindow window({});
        QCOMPARE(entries(window.access->regionList()), (QStringList{WholeCountry, Separator}));
        window.visa();
        QCOMPARE(window.service.calls(), 1);
        QVERIFY(window.rows().isEmpty());
    }

    // More elements than a 16-bit index could count, in the list, the dictionary and the table.
    void largeCountryAnswer()
    {
        constexpr int count = 33000;
        std::vector<ResultRow> country;
        for (int i = 0; i < count; ++i)
            country.push_back(county(QStringLiteral("L%1").arg(i), QString::number(i + 1)));
        LoadedWindow window(country);
        QCOMPARE(window.access->regionList()->count(), count + 2);
        window.visa();
        QCOMPARE(window.rows().size(), count);
        QCOMPARE(window.rows().last(), QStringLiteral("L32999"));
        window.service.answer(County, {});
        window.choose("L32999");
        window.visa();
        QCOMPARE(window.service.countyArguments(), QStringList{"33000"});
    }

    void failureLosesNothing_data()
    {
        QTest::addColumn<bool>("wholeCountry");
        QTest::addColumn<QString>("failure");
        for (const bool wholeCountry : {true, false}) {
            for (const char *failure : {"fault", "HTTP error", "element not a record"}) {
                QTest::addRow("%s, %s", wholeCountry ? "whole country" : "county", failure)
                    << wholeCountry << QString(failure);
            }
        }
    }

    // A failed fetch is reported and leaves the rows, the list, the dictionary and the answers
    // as they were; the program goes on and the next fetch works.
    void failureLosesNothing()
    {
        QFETCH(bool, wholeCountry);
        QFETCH(QString, failure);
        LoadedWindow window(threeCounties());
        window.visa();
        const QStringList rowsBefore = window.rows();
        const CountyDictionary *codesBefore = window.access->countyCodes();
        const auto countryBefore = window.access->countryResults().array();
        window.access->setSecondsLeft(25);
        if (!wholeCountry)
            window.choose("Uppsala l\u00e4n");
        const QString shown = window.access->regionList()->currentText();

        // Markup in a fault string is shown as the characters it is made of.
        const QString faultString = QStringLiteral("<b>Tj\u00e4nsten</b> &amp; \u00e4r st\u00e4ngd");
        if (failure == "fault") {
            window.service.fault(faultString);
        } else if (failure == "HTTP error") {
            window.service.reply(testsupport::CannedReply::withStatus(503, "nere", "text/plain"));
        } else {
            // An item of a type the mapping does not know decodes as no record.
            QByteArray body = AnswerWriter(WireStyle::Inline)
                                  .write(wholeCountry ? Country : County, threeCounties());
            const int second = body.indexOf("<item", body.indexOf("<item") + 1);
            body.replace(body.indexOf("QueryResult", second), 11, "OtherResult");
            window.service.reply(testsupport::CannedReply::ok(body));
        }
        ModalCloser closer;
        window.visa();
        QCOMPARE(closer.seen().size(), 1);
        const ModalCloser::Seen &box = closer.seen().first();
        QCOMPARE(box.title, QStringLiteral("Kestrova 2003 Viewer"));
        QCOMPARE(box.format, Qt::PlainText);
        if (failure == "fault") {
            QVERIFY(box.text.contains(wholeCountry ? "wsm_getCountryResultsValnatt"
                                                   : "wsm_getCountyResultsValnatt"));
            QVERIFY(box.text.contains("-2147221504 (0x80040000)"));
            QVERIFY(box.text.contains(faultString));
        }

        QCOMPARE(window.rows(), rowsBefore);
        QCOMPARE(entries(window.access->regionList()).size(), 5);
        QCOMPARE(window.access->regionList()->currentText(), shown);
        QCOMPARE(window.access->countyCodes(), codesBefore);
        QVERIFY(window.access->countryResults().array() == countryBefore);
        QCOMPARE(window.access->secondsLeft(), 25);

        window.service.answer(wholeCountry ? Country : County, threeCounties());
        window.visa();
        QCOMPARE(window.rows().size(), 4);
        QCOMPARE(window.access->secondsLeft(), 60);
    }
};

QTEST_MAIN(tst_RegionFetch)
#include "tst_regionfetch.moc"
