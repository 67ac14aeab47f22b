#include "applicationsetup.h"
#include "cannedservice.h"
#include "countydictionary.h"
#include "errornumbers.h"
#include "form1.h"
#include "form1testaccess.h"
#include "loadedwindow.h"
#include "modalcloser.h"
#include "raisederror.h"
#include "records.h"

#include "answerwriter.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTest>

namespace {

const QString Country = QStringLiteral("getCountryResultsValnatt");
const QString County = QStringLiteral("getCountyResultsValnatt");
const QString WholeCountry = QStringLiteral("Hela landet");
const QString Separator = QStringLiteral("----------------");

QStringList entries(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

std::vector<ResultRow> threeCounties()
{
    return {CannedService::row(QStringLiteral("Riket"), QStringLiteral("country"), QStringLiteral("00")),
            CannedService::row(QStringLiteral("Stockholms l\u00e4n"), QStringLiteral("county"), QStringLiteral("01")),
            CannedService::row(QStringLiteral("Uppsala l\u00e4n"), QStringLiteral("county"), QStringLiteral("03")),
            CannedService::row(QStringLiteral("Gotlands l\u00e4n"), QStringLiteral("county"), QStringLiteral("09"))};
}

} // namespace

class tst_RegionFetch : public QObject
{
    Q_OBJECT

private:
    struct Loaded : LoadedWindow
    {
        explicit Loaded(const std::vector<ResultRow> &country = threeCounties())
            : LoadedWindow(country)
        {
        }
    };

private slots:
    void initTestCase() { ApplicationSetup::apply(*qApp); }

    void loadFillsListButShowsNothing()
    {
        Loaded window;
        QCOMPARE(entries(window.access->regionList()),
                 (QStringList{WholeCountry, Separator, "Stockholms l\u00e4n", "Uppsala l\u00e4n",
                              "Gotlands l\u00e4n"}));
        QCOMPARE(window.access->regionList()->currentText(), WholeCountry);
        QVERIFY(window.rows().isEmpty());
        QCOMPARE(window.access->countryResults().array().size(), std::size_t(4));
        QVERIFY(window.access->countyResults().isEmpty());
    }

    void wholeCountryShowsEveryElementAndRebuildsList()
    {
        Loaded window;
        auto changed = threeCounties();
        changed.erase(changed.begin() + 2); // Uppsala is gone from the new answer
        changed.push_back(CannedService::row(QStringLiteral("County X"), QStringLiteral("County"), QStringLiteral("20")));
        changed.push_back(CannedService::row(QStringLiteral("Blank"), QStringLiteral("county "), QStringLiteral("21")));
        window.service.answer(Country, changed);
        window.visa();
        QCOMPARE(window.service.calls(), 1);
        QCOMPARE(window.rows(), (QStringList{"Riket", "Stockholms l\u00e4n", "Gotlands l\u00e4n",
                                             "County X", "Blank"}));
        QCOMPARE(entries(window.access->regionList()),
                 (QStringList{WholeCountry, Separator, "Stockholms l\u00e4n", "Gotlands l\u00e4n"}));
        QCOMPARE(window.access->regionList()->currentText(), WholeCountry);
        QCOMPARE(window.access->secondsLeft(), 60);
    }

    void countyShowsItsAnswerAndLeavesList()
    {
        Loaded window;
        window.visa();
        window.service.clearRequests();
        window.choose(QStringLiteral("Gotlands l\u00e4n"));
        // Choosing alone fetches nothing.
        QCOMPARE(window.service.calls(), 0);
        QCOMPARE(window.rows().size(), 4);
        window.service.answer(County, {CannedService::row(QStringLiteral("Gotland"), QStringLiteral("municipality"), QStringLiteral("0980"))});
        window.visa();
        QCOMPARE(window.service.countyArguments(), QStringList{"09"});
        QCOMPARE(window.rows(), QStringList{"Gotland"});
        QCOMPARE(window.access->regionList()->count(), 5);
        QCOMPARE(window.access->regionList()->currentText(), QStringLiteral("Gotlands l\u00e4n"));
        QCOMPARE(window.access->countryResults().array().size(), std::size_t(4));
        QCOMPARE(window.access->secondsLeft(), 60);
    }

    void newClientForEveryFetch()
    {
        Loaded window;
        window.service.answer(County, {});
        window.choose(QStringLiteral("Uppsala l\u00e4n"));
        window.visa();
        window.visa();
        QCOMPARE(window.service.wsdlFetches(), 2);
        QCOMPARE(window.service.calls(), 2);
    }

    // Nothing is fetched and the rows stay, yet "&Visa" restarts the count.
    void nothingToFetch_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("inDictionary");
        QTest::newRow("separator") << QString() << false;
        QTest::newRow("not a county") << QString() << false;
        QTest::newRow("code 0") << "0" << true;
        QTest::newRow("code 00") << "00" << true;
        QTest::newRow("negative") << "-4" << true;
        QTest::newRow("zero with blanks") << " 0 " << true;
    }

    void nothingToFetch()
    {
        QFETCH(QString, code);
        QFETCH(bool, inDictionary);
        auto country = threeCounties();
        country.push_back(CannedService::row(QStringLiteral("Nollans l\u00e4n"), QStringLiteral("county"), code));
        Loaded window(country);
        window.service.answer(County, {CannedService::row(QStringLiteral("Fel"))});
        window.access->addResultRow(*Records::region(QStringLiteral("Kvar")));
        window.access->statusBar()->showMessage(QStringLiteral("Uppdatering om 12 sekunder"));
        window.access->setSecondsLeft(12);
        const QString tag = QTest::currentDataTag();
        if (tag == QLatin1String("separator"))
            window.choose(Separator);
        else if (inDictionary)
            window.choose(QStringLiteral("Nollans l\u00e4n"));
        else {
            window.access->regionList()->addItem(QStringLiteral("Inget l\u00e4n"));
            window.choose(QStringLiteral("Inget l\u00e4n"));
        }
        window.visa();
        QCOMPARE(window.service.calls(), 0);
        QCOMPARE(window.rows(), QStringList{"Kvar"});
        QCOMPARE(window.access->secondsLeft(), 60);
        QCOMPARE(window.access->statusBar()->currentMessage(), QStringLiteral("Uppdatering om 12 sekunder"));
        QCOMPARE(window.access->countyCodes()->contains(QStringLiteral("Inget l\u00e4n")), false);
    }

    // The code goes out exactly as the dictionary holds it.
    void codeSentAsGiven_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("leading zero") << "01";
        QTest::newRow("blanks") << " 7 ";
        QTest::newRow("plain") << "25";
        QTest::newRow("decimal comma") << "1,5";
    }

    void codeSentAsGiven()
    {
        QFETCH(QString, code);
        Loaded window({CannedService::row(QStringLiteral("L\u00e4net"), QStringLiteral("county"), code)});
        window.service.answer(County, {CannedService::row(QStringLiteral("Kommunen"))});
        window.choose(QStringLiteral("L\u00e4net"));
        window.visa();
        QCOMPARE(window.service.countyArguments(), QStringList{code});
        QCOMPARE(window.rows(), QStringList{"Kommunen"});
    }

    void codeNotANumber_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("letters") << "AB";
        QTest::newRow("empty") << "";
        QTest::newRow("trailing letter") << "01x";
        QTest::newRow("hex") << "0x10";
    }

    void codeNotANumber()
    {
        QFETCH(QString, code);
        Loaded window({CannedService::row(QStringLiteral("Konstiga l\u00e4n"), QStringLiteral("county"), code)});
        window.access->addResultRow(*Records::region(QStringLiteral("Kvar")));
        window.access->setSecondsLeft(30);
        window.choose(QStringLiteral("Konstiga l\u00e4n"));
        ModalCloser closer;
        window.visa();
        QCOMPARE(closer.seen().size(), 1);
        const ModalCloser::Seen &box = closer.seen().first();
        QCOMPARE(box.title, QStringLiteral("Kestrova 2003 Viewer"));
        QVERIFY(box.text.contains(QStringLiteral("Konstiga l\u00e4n")));
        QVERIFY(box.text.contains(QLatin1Char('"') + code + QLatin1Char('"')));
        QVERIFY(box.text.contains(QStringLiteral("13 (0x0000000d)")));
        QCOMPARE(window.service.calls(), 0);
        QCOMPARE(window.rows(), QStringList{"Kvar"});
        QCOMPARE(window.access->secondsLeft(), 30);
        QVERIFY(window.form->isEnabled());
    }

    void countyNamedTwiceFirstCounts()
    {
        Loaded window({CannedService::row(QStringLiteral("Dubbla"), QStringLiteral("county"), QStringLiteral("03")),
                       CannedService::row(QStringLiteral("Andra"), QStringLiteral("county"), QStringLiteral("04")),
                       CannedService::row(QStringLiteral("Dubbla"), QStringLiteral("county"), QStringLiteral("05"))});
        QCOMPARE(entries(window.access->regionList()), (QStringList{WholeCountry, Separator, "Dubbla", "Andra"}));
        window.service.answer(County, {});
        window.choose(QStringLiteral("Dubbla"));
        window.visa();
        QCOMPARE(window.service.countyArguments(), QStringList{"03"});
    }

    void emptyCountryAnswer()
    {
        Loaded window(std::vector<ResultRow>{});
        QCOMPARE(entries(window.access->regionList()), (QStringList{WholeCountry, Separator}));
        window.choose(Separator);
        window.visa();
        QCOMPARE(window.service.calls(), 0);
        window.choose(WholeCountry);
        window.visa();
        QCOMPARE(window.service.calls(), 1);
        QVERIFY(window.rows().isEmpty());
    }

    // More elements than a 16-bit index could count, in the list and in the table.
    void largeCountryAnswer()
    {
        constexpr int count = 33000;
        std::vector<ResultRow> country;
        country.reserve(count);
        for (int i = 0; i < count; ++i)
            country.push_back(CannedService::row(QStringLiteral("L%1").arg(i), QStringLiteral("county"), QString::number(i + 1)));
        Loaded window(country);
        QCOMPARE(window.access->regionList()->count(), count + 2);
        QCOMPARE(window.access->regionList()->itemText(count + 1), QStringLiteral("L%1").arg(count - 1));
        window.visa();
        QCOMPARE(window.access->table()->model()->rowCount(), count);
        window.service.answer(County, {});
        window.choose(QStringLiteral("L32999"));
        window.visa();
        QCOMPARE(window.service.countyArguments(), QStringList{"33000"});
    }

    void failureLosesNothing_data()
    {
        QTest::addColumn<bool>("wholeCountry");
        QTest::addColumn<bool>("soapFault");
        QTest::newRow("whole country, fault") << true << true;
        QTest::newRow("whole country, HTTP error") << true << false;
        QTest::newRow("county, fault") << false << true;
        QTest::newRow("county, HTTP error") << false << false;
    }

    // A failed fetch is reported and leaves the rows, the list, the dictionary and the answers
    // as they were; the program goes on and the next fetch works.
    void failureLosesNothing()
    {
        QFETCH(bool, wholeCountry);
        QFETCH(bool, soapFault);
        Loaded window;
        window.visa();
        const QStringList rowsBefore = window.rows();
        const QStringList listBefore = entries(window.access->regionList());
        const CountyDictionary *codesBefore = window.access->countyCodes();
        const auto countryBefore = window.access->countryResults().array();
        window.access->setSecondsLeft(25);
        if (!wholeCountry)
            window.choose(QStringLiteral("Uppsala l\u00e4n"));
        const QString shown = window.access->regionList()->currentText();

        // Markup in a fault string is shown as the characters it is made of.
        const QString faultString = QStringLiteral("<b>Tj\u00e4nsten</b> &amp; \u00e4r st\u00e4ngd");
        if (soapFault)
            window.service.fault(faultString);
        else
            window.service.reply(testsupport::CannedReply::withStatus(503, "nere", "text/plain"));
        ModalCloser closer;
        window.visa();
        QCOMPARE(closer.seen().size(), 1);
        const ModalCloser::Seen &box = closer.seen().first();
        QCOMPARE(box.title, QStringLiteral("Kestrova 2003 Viewer"));
        QCOMPARE(box.format, Qt::PlainText);
        QVERIFY(box.text.contains(wholeCountry ? QStringLiteral("wsm_getCountryResultsValnatt")
                                               : QStringLiteral("wsm_getCountyResultsValnatt")));
        if (soapFault) {
            QVERIFY(box.text.contains(QStringLiteral("-2147221504 (0x80040000)")));
            QVERIFY(box.text.contains(faultString));
        }

        QCOMPARE(window.rows(), rowsBefore);
        QCOMPARE(entries(window.access->regionList()), listBefore);
        QCOMPARE(window.access->regionList()->currentText(), shown);
        QCOMPARE(window.access->countyCodes(), codesBefore);
        QVERIFY(window.access->countryResults().array() == countryBefore);
        QCOMPARE(window.access->secondsLeft(), 25);

        window.service.answer(wholeCountry ? Country : County, threeCounties());
        window.visa();
        QCOMPARE(window.rows().size(), 4);
        QCOMPARE(window.access->secondsLeft(), 60);
    }

    // An answer with an element that makes no record is refused whole; the table stays.
    void oddAnswerRefusedWhole_data()
    {
        QTest::addColumn<bool>("wholeCountry");
        QTest::newRow("whole country") << true;
        QTest::newRow("county") << false;
    }

    void oddAnswerRefusedWhole()
    {
        QFETCH(bool, wholeCountry);
        Loaded window;
        window.visa();
        const QStringList rowsBefore = window.rows();
        if (!wholeCountry)
            window.choose(QStringLiteral("Stockholms l\u00e4n"));
        // An item of a type the mapping does not know is decoded as no record.
        QByteArray body = AnswerWriter(WireStyle::Inline)
                              .write(wholeCountry ? Country : County, threeCounties());
        const int second = body.indexOf("<item", body.indexOf("<item") + 1);
        const int typeAt = body.indexOf("QueryResult", second);
        body.replace(typeAt, int(qstrlen("QueryResult")), "OtherResult");
        window.service.reply(testsupport::CannedReply::ok(body));
        ModalCloser closer;
        window.visa();
        QCOMPARE(closer.seen().size(), 1);
        QCOMPARE(window.rows(), rowsBefore);
        QCOMPARE(entries(window.access->regionList()).size(), 5);
    }

};

QTEST_MAIN(tst_RegionFetch)
#include "tst_regionfetch.moc"
