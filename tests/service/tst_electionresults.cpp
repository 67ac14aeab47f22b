#include "clsws_ElectionResults.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "struct_QueryResult.h"

#include "cannedservice.h"
#include "testhttpserver.h"

#include "ksv_config.h"
#include "resultsserverthread.h"

#include <QTest>
#include <QTimer>

#include <functional>

using soap::RaisedError;
using testsupport::CannedReply;
using testsupport::CannedService;
using testsupport::TestHttpServer;

namespace {

using Operation = std::function<soap::Variant(clsws_ElectionResults &)>;

struct NamedOperation
{
    QString name;
    Operation run;
};

QList<NamedOperation> allOperations()
{
    return {
        {QStringLiteral("wsm_getCountryResultsValnatt"),
         [](clsws_ElectionResults &c) { return c.wsm_getCountryResultsValnatt(); }},
        {QStringLiteral("wsm_getCountyResultsValnatt"),
         [](clsws_ElectionResults &c) { return c.wsm_getCountyResultsValnatt(QStringLiteral("01")); }},
        {QStringLiteral("wsm_getCountyResultsSlutsam"),
         [](clsws_ElectionResults &c) { return c.wsm_getCountyResultsSlutsam(QStringLiteral("01")); }},
        {QStringLiteral("wsm_getCountryResultsSlutsam"),
         [](clsws_ElectionResults &c) { return c.wsm_getCountryResultsSlutsam(); }},
    };
}

ServiceSettings settingsFor(const QUrl &wsdl, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    ServiceSettings settings;
    settings.wsdlUrl = wsdl.toString();
    settings.timeout = timeout;
    return settings;
}

ServiceOptions quietOptions(WireStyle style)
{
    ServiceOptions options;
    options.style = style;
    options.logRequests = false;
    options.frozenAt = std::chrono::minutes(10);
    return options;
}

std::shared_ptr<struct_QueryResult> recordAt(const soap::Variant &answer, std::size_t i)
{
    return std::dynamic_pointer_cast<struct_QueryResult>(answer.array().at(i));
}

} // namespace

Q_DECLARE_METATYPE(WireStyle)
Q_DECLARE_METATYPE(CannedService::Style)

class TestElectionResults : public QObject
{
    Q_OBJECT
private slots:
    void mappingDocumentIsExact();
    void bundledService_data();
    void bundledService();
    void recordsKeepOrderAndText_data();
    void recordsKeepOrderAndText();
    void failuresTakeTheOperationsName_data();
    void failuresTakeTheOperationsName();
    void countyCodeGoesOutUnchanged();
    void blockedCallDispatchesNoEvents();
};

void TestElectionResults::mappingDocumentIsExact()
{
    const QString expected =
        QStringLiteral("<servicemapping><service name='ElectionResults'>"
                       "<using PROGID='MSSOAP.GenericCustomTypeMapper30' cachable='0' ID='GCTM'/>"
                       "<types><type name='QueryResult' targetNamespace='")
        + QStringLiteral(KSV_SCHEMA_NAMESPACE)
        + QStringLiteral("' uses='GCTM' targetClassName='struct_QueryResult'/>"
                         "</types></service></servicemapping>");
    QCOMPARE(clsws_ElectionResults::serviceMappingDocument(), expected);
}

void TestElectionResults::bundledService_data()
{
    QTest::addColumn<WireStyle>("style");
    QTest::newRow("inline") << WireStyle::Inline;
    QTest::newRow("multiRef") << WireStyle::MultiRef;
}

void TestElectionResults::bundledService()
{
    QFETCH(WireStyle, style);
    ResultsServerThread server(quietOptions(style));
    clsws_ElectionResults client(settingsFor(QUrl(server.wsdlUrl())));

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
}

void TestElectionResults::recordsKeepOrderAndText_data()
{
    QTest::addColumn<CannedService::Style>("style");
    QTest::newRow("rpc/encoded") << CannedService::Style::RpcEncoded;
    QTest::newRow("document/literal") << CannedService::Style::DocumentLiteral;
}

void TestElectionResults::recordsKeepOrderAndText()
{
    QFETCH(CannedService::Style, style);
    QList<CannedService::Record> records;
    for (int i = 0; i < 5; ++i)
        records.append(CannedService::record(QString::number(i)));
    records[1][QStringLiteral("yesPerc")] = QStringLiteral("52,30");
    records[2][QStringLiteral("code")] = QStringLiteral("007");
    records[3][QStringLiteral("noNum")] = QString();
    records[4][QStringLiteral("name")] = QStringLiteral("Örebro <län> & \"Åland\"");
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(
        server, CannedReply::ok(CannedService::answer(QStringLiteral("getCountryResultsValnatt"), records, style)),
        style);
    clsws_ElectionResults client(settingsFor(wsdl));
    const soap::Variant answer = client.wsm_getCountryResultsValnatt();
    QCOMPARE(int(answer.array().size()), records.size());
    for (int i = 0; i < records.size(); ++i) {
        const auto record = recordAt(answer, std::size_t(i));
        QVERIFY(record);
        for (const QString &member : struct_QueryResult::memberNames())
            QCOMPARE(record->member(member).value_or(QStringLiteral("<none>")),
                     records[i].value(member));
    }
}

void TestElectionResults::failuresTakeTheOperationsName_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description"); // a fault's whole text, else a part

    const int fault = int(0x80040000u);
    // Each operation with another kind of fault; the kinds themselves are the SOAP client's tests.
    QTest::newRow("wsm_getCountryResultsValnatt, fault") << 0 << CannedReply::withStatus(
        500, CannedService::fault11(QStringLiteral("SOAP-ENV:Server"), QStringLiteral("Okänt län")))
        << 10000 << fault << QStringLiteral("Okänt län");
    QTest::newRow("wsm_getCountyResultsValnatt, fault") << 1 << CannedReply::ok(
        CannedService::fault11(QStringLiteral("SOAP-ENV:Client"), QStringLiteral("Fel i anropet")))
        << 10000 << fault << QStringLiteral("Fel i anropet");
    QTest::newRow("wsm_getCountyResultsSlutsam, fault") << 2 << CannedReply::withStatus(
        500, CannedService::fault11(QString(), QStringLiteral("Tjänsten stängd")))
        << 10000 << fault << QStringLiteral("Tjänsten stängd");
    QTest::newRow("wsm_getCountryResultsSlutsam, fault") << 3 << CannedReply::withStatus(
        400, CannedService::fault11(QStringLiteral("SOAP-ENV:Client"), QStringLiteral("Ogiltigt argument")))
        << 10000 << fault << QStringLiteral("Ogiltigt argument");

    // Other failures keep their own number and description.
    QTest::newRow("HTML error page")
        << 0 << CannedReply::withStatus(500, "<html><body><h1>Internal error</h1></body></html>", "text/html")
        << 10000 << int(soap::ErrorNumber::HttpStatus) << QStringLiteral("500 (Internal Server Error)");
    // The time-out is the settings' one.
    QTest::newRow("stalled service") << 1 << CannedReply::stalling() << 250 << int(soap::ErrorNumber::Timeout)
                                     << QStringLiteral("250 millisekunder");

    // Construction (-1: the reply is the WSDL's) fails with the failure itself, under no operation's name.
    QTest::newRow("WSDL missing") << -1 << CannedReply::withStatus(404, "nope", "text/plain") << 10000
                                  << int(soap::ErrorNumber::HttpStatus) << QStringLiteral("HTTP-status 404");
    QTest::newRow("WSDL of another service")
        << -1 << CannedReply::ok(QByteArray(CannedService::wsdl(QUrl("http://127.0.0.1:1/x")))
                                     .replace("name=\"ElectionResults\"", "name=\"Other\""))
        << 10000 << int(soap::ErrorNumber::WsdlNoService) << QStringLiteral("ElectionResults");
}

void TestElectionResults::failuresTakeTheOperationsName()
{
    QFETCH(int, operation);
    QFETCH(CannedReply, reply);
    QFETCH(int, timeoutMs);
    QFETCH(int, number);
    QFETCH(QString, description);
    TestHttpServer server;
    if (operation < 0)
        server.setReply(CannedService::WsdlPath, reply);
    const QUrl wsdl = operation < 0 ? server.url(CannedService::WsdlPath) : CannedService::install(server, reply);
    const NamedOperation op = operation < 0 ? NamedOperation{QStringLiteral("construction"), {}}
                                            : allOperations().at(operation);
    QElapsedTimer clock;
    clock.start();
    try {
        clsws_ElectionResults client(settingsFor(wsdl, std::chrono::milliseconds(timeoutMs)));
        QVERIFY2(op.run, "construction succeeded");
        op.run(client);
        QFAIL("no error raised");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        if (op.run)
            QCOMPARE(error.source(), op.name);
        else
            QVERIFY(!error.source().startsWith(QLatin1String("wsm_")));
        if (quint32(number) == 0x80040000u)
            QCOMPARE(error.description(), description);
        else
            QVERIFY2(error.description().contains(description), qPrintable(error.description()));
    }
    QVERIFY(clock.elapsed() < 5000);
}

void TestElectionResults::countyCodeGoesOutUnchanged()
{
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(
        server, CannedReply::ok(CannedService::answer(QStringLiteral("getCountyResultsValnatt"), {})));
    clsws_ElectionResults client(settingsFor(wsdl));
    const QString code = QStringLiteral(" 01<&>");
    const QString before = code;
    QVERIFY(client.wsm_getCountyResultsValnatt(code).array().empty());
    QCOMPARE(code, before);
    const QByteArray body = server.requests().last().body;
    QVERIFY2(body.contains("> 01&lt;&amp;&gt;</str_county>"), body.constData());
}

void TestElectionResults::blockedCallDispatchesNoEvents()
{
    TestHttpServer server;
    CannedReply slow = CannedReply::ok(CannedService::answer(QStringLiteral("getCountryResultsValnatt"),
                                                             {CannedService::record(QStringLiteral("a"))}));
    slow.delay = std::chrono::milliseconds(300);
    clsws_ElectionResults client(settingsFor(CannedService::install(server, slow)));
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    QCOMPARE(int(client.wsm_getCountryResultsValnatt().array().size()), 1);
    QVERIFY2(!ran, "a queued timer ran while the call blocked");
    QTRY_VERIFY(ran);
}

QTEST_MAIN(TestElectionResults)
#include "tst_electionresults.moc"
