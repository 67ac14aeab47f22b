#include "clsws_ElectionResults.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "struct_QueryResult.h"

#include "answerwriter.h"
#include "cannedservice.h"
#include "faultwriter.h"
#include "resultsserverthread.h"

#include <QTest>
#include <QTimer>

#include <functional>

using soap::RaisedError;
using testsupport::CannedReply;

namespace {

std::shared_ptr<struct_QueryResult> recordAt(const soap::Variant &answer, std::size_t i)
{
    return std::dynamic_pointer_cast<struct_QueryResult>(answer.array().at(i));
}

} // namespace

Q_DECLARE_METATYPE(WireStyle)

class TestElectionResults : public QObject
{
    Q_OBJECT
private slots:
    void bundledService_data();
    void bundledService();
    void callBlocksAndKeepsTheRecordsAsSent();
    void failuresTakeTheOperationsName();
};

void TestElectionResults::bundledService_data()
{
    QTest::addColumn<WireStyle>("style");
    QTest::newRow("inline") << WireStyle::Inline;
    QTest::newRow("multiRef") << WireStyle::MultiRef;
}

void TestElectionResults::bundledService()
{
    QFETCH(WireStyle, style);
    ServiceOptions options;
    options.style = style;
    options.logRequests = false;
    options.frozenAt = std::chrono::minutes(10);
    ResultsServerThread server(options);
    clsws_ElectionResults client(ServiceSettings{server.wsdlUrl(), std::chrono::seconds(10)});

    const soap::Variant country = client.wsm_getCountryResultsValnatt();
    QCOMPARE(country.array().size(), std::size_t(22)); // the country, then its 21 counties
    QCOMPARE(recordAt(country, 0)->resultType(), QStringLiteral("country"));
    const auto county = recordAt(country, 1);
    QVERIFY(county);
    QCOMPARE(county->resultType(), QStringLiteral("county"));
    // Each county answer starts with the county's own row.
    QCOMPARE(recordAt(client.wsm_getCountyResultsValnatt(county->code()), 0)->code(), county->code());
    QCOMPARE(recordAt(client.wsm_getCountyResultsSlutsam(county->code()), 0)->name(), county->name());
    QCOMPARE(client.wsm_getCountryResultsSlutsam().array().size(), std::size_t(22));
    // A code the service does not know is its Fault, under the operation's name.
    try {
        client.wsm_getCountyResultsSlutsam(QStringLiteral("99"));
        QFAIL("no error raised");
    } catch (const RaisedError &error) {
        QCOMPARE(quint32(error.number()), 0x80040000u);
        QCOMPARE(error.source(), QStringLiteral("wsm_getCountyResultsSlutsam"));
        QVERIFY2(error.description().contains(QLatin1String("99")), qPrintable(error.description()));
    }
}

void TestElectionResults::callBlocksAndKeepsTheRecordsAsSent()
{
    std::vector<ResultRow> rows;
    for (int i = 0; i < 5; ++i) {
        rows.push_back(CannedService::row(QString::number(i)));
        for (int m = 0; m < ResultRow::memberCount; ++m)
            rows.back().values[std::size_t(m)] += QString::number(i * 100 + m);
    }
    rows[1].values[7] = QStringLiteral("52,30");
    rows[2].values[2] = QStringLiteral("007");
    rows[3].values[8] = QString();
    rows[4].values[3] = QStringLiteral("Örebro <län> & \"Åland\"");
    CannedService service;
    CannedReply slow = CannedReply::ok(AnswerWriter(WireStyle::Inline).write(QStringLiteral("getCountyResultsValnatt"), rows));
    slow.delay = std::chrono::milliseconds(300);
    service.reply(slow);
    clsws_ElectionResults client(service.settings());
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    // The code goes out as it is, escaped, and the caller's copy stays as it was.
    const QString code = QStringLiteral(" 01<&>");
    const soap::Variant answer = client.wsm_getCountyResultsValnatt(code);
    QVERIFY2(!ran, "a queued timer ran while the call blocked");
    QTRY_VERIFY(ran);
    QCOMPARE(code, QStringLiteral(" 01<&>"));
    QCOMPARE(service.countyArguments(), QStringList{QStringLiteral(" 01&lt;&amp;&gt;")});
    QCOMPARE(answer.array().size(), rows.size());
    const auto &names = struct_QueryResult::memberNames();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int m = 0; m < ResultRow::memberCount; ++m)
            QCOMPARE(recordAt(answer, i)->member(names[std::size_t(m)]), std::optional(rows[i].values[std::size_t(m)]));
    }
}

void TestElectionResults::failuresTakeTheOperationsName()
{
    // Each kind of failure keeps its own number and description; the kinds are the SOAP client's tests.
    CannedService service;
    clsws_ElectionResults client(ServiceSettings{service.settings().wsdlUrl, std::chrono::milliseconds(250)});
    const QList<std::pair<QString, std::function<void()>>> operations{
        {QStringLiteral("wsm_getCountryResultsValnatt"), [&] { client.wsm_getCountryResultsValnatt(); }},
        {QStringLiteral("wsm_getCountyResultsValnatt"), [&] { client.wsm_getCountyResultsValnatt("01"); }},
        {QStringLiteral("wsm_getCountyResultsSlutsam"), [&] { client.wsm_getCountyResultsSlutsam("01"); }},
        {QStringLiteral("wsm_getCountryResultsSlutsam"), [&] { client.wsm_getCountryResultsSlutsam(); }},
    };
    const QList<std::tuple<CannedReply, int, QString>> failures{
        {CannedReply::stalling(), soap::ErrorNumber::Timeout, QStringLiteral("250 millisekunder")},
        {CannedReply::withStatus(500, "<html><body>Internal error</body></html>", "text/html"),
         soap::ErrorNumber::HttpStatus, QStringLiteral("500 (Internal Server Error)")},
        {CannedReply::withStatus(500, FaultWriter::write(SoapFault::client(QStringLiteral("Okänt län")))),
         int(0x80040000u), QStringLiteral("Okänt län")}};
    for (const auto &[reply, number, description] : failures) {
        service.reply(reply);
        for (const auto &[name, run] : operations) {
            try {
                run();
                QFAIL("no error raised");
            } catch (const RaisedError &error) {
                QCOMPARE(error.number(), number);
                QCOMPARE(error.source(), name);
                if (number == int(0x80040000u))
                    QCOMPARE(error.description(), description);
                else
                    QVERIFY2(error.description().contains(description), qPrintable(error.description()));
            }
            if (reply.stall)
                break; // a stalled connection once is enough
        }
    }
    // Construction fails with the failure itself, under no operation's name.
    service.wsdlReply(CannedReply::withStatus(404, "nope", "text/plain"));
    try {
        clsws_ElectionResults another(service.settings());
        QFAIL("construction succeeded");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), int(soap::ErrorNumber::HttpStatus));
        QCOMPARE(error.source(), QStringLiteral("SoapClient"));
        QVERIFY2(error.description().contains(QLatin1String("HTTP-status 404")), qPrintable(error.description()));
    }
}

QTEST_MAIN(TestElectionResults)
#include "tst_electionresults.moc"
