#include "errornumbers.h"
#include "raisederror.h"
#include "soapclient.h"

#include "cannedservice.h"
#include "decodertestobjects.h"
#include "testhttpserver.h"

#include "ksv_config.h"

#include <QTest>
#include <QXmlStreamReader>

using soap::RaisedError;
using soap::SoapClient;
using testsupport::CannedReply;
using testsupport::CannedService;
using testsupport::TestHttpServer;
namespace ErrorNumber = soap::ErrorNumber;

namespace {

const QString Mapping = QStringLiteral(
    "<servicemapping><service name='ElectionResults'>"
    "<using PROGID='MSSOAP.GenericCustomTypeMapper30' cachable='0' ID='GCTM'/><types>"
    "<type name='QueryResult' targetNamespace='" KSV_SCHEMA_NAMESPACE "' uses='GCTM' targetClassName='x'/>"
    "</types></service></servicemapping>");
const QString Country = QStringLiteral("getCountryResultsValnatt");

soap::TransportLimits limits()
{
    soap::TransportLimits l;
    l.timeout = std::chrono::seconds(10);
    return l;
}

void initialise(SoapClient &client, const QUrl &wsdl, const QString &mapping = Mapping)
{
    client.initialise(wsdl.toString(), mapping, QStringLiteral(KSV_SERVICE_NAME), QStringLiteral(KSV_PORT_NAME),
                      QStringLiteral(KSV_SERVICE_NAMESPACE));
}

QByteArray answerWith(int records, const QString &operation = Country,
                      CannedService::Style style = CannedService::Style::RpcEncoded)
{
    QList<CannedService::Record> list;
    for (int i = 0; i < records; ++i)
        list.append(CannedService::record(QString::number(i)));
    return CannedService::answer(operation, list, style);
}

template<typename F>
RaisedError raisedBy(F &&f)
{
    try {
        f();
    } catch (const RaisedError &error) {
        return error;
    }
    return RaisedError(0, QStringLiteral("none"), QStringLiteral("nothing was raised"));
}

} // namespace

Q_DECLARE_METATYPE(CannedService::Style)

class TestSoapClient : public QObject
{
    Q_OBJECT
private slots:
    void callsInBothStyles_data();
    void callsInBothStyles();
    void faultsWhateverTheStatus_data();
    void faultsWhateverTheStatus();
    void faultCodeClearedByTheNextCall();
    void misuse_data();
    void misuse();
    void properties_data();
    void properties();
    void explicitProxyCarriesTheRequests();
    void badMappingFailsBeforeTheNetwork();
    void oversizedWsdlIsRefusedWhileReading();
    void factoryIsShared();
};

void TestSoapClient::callsInBothStyles_data()
{
    QTest::addColumn<CannedService::Style>("style");
    QTest::addColumn<QString>("wrapperNamespace");
    QTest::addColumn<QString>("argumentNamespace");
    QTest::newRow("rpc/encoded") << CannedService::Style::RpcEncoded << QStringLiteral(KSV_SERVICE_NAMESPACE) << QString();
    QTest::newRow("document/literal") << CannedService::Style::DocumentLiteral
                                      << QStringLiteral(KSV_SCHEMA_NAMESPACE) << QStringLiteral(KSV_SCHEMA_NAMESPACE);
}

void TestSoapClient::callsInBothStyles()
{
    QFETCH(CannedService::Style, style);
    QFETCH(QString, wrapperNamespace);
    QFETCH(QString, argumentNamespace);
    const QString operation = QStringLiteral("getCountyResultsValnatt");
    TestHttpServer server;
    SoapClient client(limits());
    initialise(client, CannedService::install(server, CannedReply::ok(answerWith(3, operation, style)), style));
    auto factory = std::make_shared<TestFactory>();
    client.setClientProperty(QStringLiteral("GCTMObjectFactory"), factory);
    QString county = QStringLiteral("12");
    const soap::Variant answer = client.invoke(operation, county);
    QCOMPARE(county, QStringLiteral("12"));
    QCOMPARE(int(answer.array().size()), 3);
    QCOMPARE(factory->nodes.size(), std::size_t(3));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(answer.array()[std::size_t(i)]->member(QStringLiteral("name")),
                 std::optional<QString>(QStringLiteral("name-%1").arg(i)));
    QVERIFY(client.faultCode().isEmpty());

    const auto requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].path, QByteArray(CannedService::WsdlPath));
    const auto &call = requests[1];
    QCOMPARE(call.method, QByteArray("POST"));
    QCOMPARE(call.path, QByteArray(CannedService::EndpointPath));
    QCOMPARE(call.header("SOAPAction"), QByteArray("\"urn:ElectionResults#getCountyResultsValnatt\""));
    QCOMPARE(call.header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
    QXmlStreamReader reader(call.body);
    QStringList elements;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            elements.append(QStringLiteral("{%1}%2").arg(reader.namespaceUri(), reader.name()));
    QVERIFY(!reader.hasError());
    QCOMPARE(elements.mid(2), (QStringList{QStringLiteral("{%1}%2").arg(wrapperNamespace, operation),
                                           QStringLiteral("{%1}str_county").arg(argumentNamespace)}));
}

void TestSoapClient::faultsWhateverTheStatus_data()
{
    // A fault sets the fault code and string; any other answer with an error status is an HTTP error
    // naming the endpoint and leaves them empty.
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text"); // a fault's string, or a part of the description
    for (int status : {200, 400, 500}) {
        QTest::addRow("SOAP 1.1, %d", status)
            << CannedReply::withStatus(status, CannedService::fault11("SOAP-ENV:Server", "Databasen svarar inte"))
            << int(ErrorNumber::SoapFault) << "SOAP-ENV:Server" << "Databasen svarar inte";
        QTest::addRow("SOAP 1.1 without faultcode, %d", status)
            << CannedReply::withStatus(status, CannedService::fault11(QString(), "Okänt fel"))
            << int(ErrorNumber::SoapFault) << QString() << "Okänt fel";
        // A SOAP 1.2 answer to a SOAP 1.1 request is another version, whatever it holds.
        QTest::addRow("SOAP 1.2 fault, %d", status)
            << CannedReply::withStatus(status, CannedService::fault12("env:Receiver", "Överbelastad"))
            << int(ErrorNumber::VersionMismatch) << QString() << "SOAP 1.2";
    }
    QTest::newRow("500 HTML page")
        << CannedReply::withStatus(500, "<html><head><title>Error</title></head><body>Boom</body></html>", "text/html")
        << int(ErrorNumber::HttpStatus) << QString() << "HTTP-status 500 (Internal Server Error)";
    QTest::newRow("404 empty") << CannedReply::withStatus(404, "", "text/plain") << int(ErrorNumber::HttpStatus)
                               << QString() << "HTTP-status 404";
    QTest::newRow("500 with an answer, not a fault") << CannedReply::withStatus(500, answerWith(1))
                                                     << int(ErrorNumber::HttpStatus) << QString() << "500";
    CannedReply reason = CannedReply::withStatus(503, "", "text/plain");
    reason.reason = "Valnatten pausad";
    QTest::newRow("own reason phrase") << reason << int(ErrorNumber::HttpStatus) << QString()
                                       << "503 (Valnatten pausad)";
}

void TestSoapClient::faultsWhateverTheStatus()
{
    QFETCH(CannedReply, reply);
    QFETCH(int, number);
    QFETCH(QString, code);
    QFETCH(QString, text);
    TestHttpServer server;
    SoapClient client(limits());
    initialise(client, CannedService::install(server, reply));
    const RaisedError error = raisedBy([&] { client.invoke(Country); });
    QCOMPARE(error.number(), number);
    QCOMPARE(client.faultCode(), code);
    if (number == ErrorNumber::SoapFault) {
        QCOMPARE(error.description(), text);
        QCOMPARE(client.faultString(), text);
    } else {
        QVERIFY2(error.description().contains(text), qPrintable(error.description()));
        QVERIFY(error.description().contains(server.url(CannedService::EndpointPath).toString()));
        QVERIFY(client.faultString().isEmpty());
    }
}

void TestSoapClient::faultCodeClearedByTheNextCall()
{
    const CannedReply fault = CannedReply::withStatus(
        500, CannedService::fault11(QStringLiteral("SOAP-ENV:Client"), QStringLiteral("Fel")));
    TestHttpServer server;
    SoapClient client(limits());
    initialise(client, CannedService::install(server, fault));
    QVERIFY_THROWS_EXCEPTION(RaisedError, client.invoke(Country));
    QCOMPARE(client.faultCode(), QStringLiteral("SOAP-ENV:Client"));

    server.setReply(CannedService::EndpointPath, CannedReply::ok(answerWith(1)));
    client.invoke(Country);
    QVERIFY(client.faultCode().isEmpty());
    QVERIFY(client.faultString().isEmpty());

    // A transport failure is no fault either.
    server.setReply(CannedService::EndpointPath, fault);
    QVERIFY_THROWS_EXCEPTION(RaisedError, client.invoke(Country));
    server.setReply(CannedService::EndpointPath, CannedReply::withStatus(503, "busy", "text/plain"));
    QCOMPARE(raisedBy([&] { client.invoke(Country); }).number(), ErrorNumber::HttpStatus);
    QVERIFY(client.faultCode().isEmpty());
    QVERIFY(client.faultString().isEmpty());
}

void TestSoapClient::misuse_data()
{
    QTest::addColumn<bool>("initialised");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("number");
    QTest::newRow("not initialised") << false << Country << QStringList() << int(ErrorNumber::NotInitialised);
    QTest::newRow("unknown operation") << true << "getMunicipalityResults" << QStringList()
                                       << int(ErrorNumber::UnknownOperation);
    QTest::newRow("operation in other case") << true << Country.toLower() << QStringList()
                                             << int(ErrorNumber::UnknownOperation);
    QTest::newRow("argument too many") << true << Country << QStringList{"01"} << int(ErrorNumber::BadArgument);
    QTest::newRow("control character") << true << "getCountyResultsValnatt" << QStringList{"0\x01"}
                                       << int(ErrorNumber::BadArgument);
}

void TestSoapClient::misuse()
{
    QFETCH(bool, initialised);
    QFETCH(QString, operation);
    QFETCH(QStringList, arguments);
    QFETCH(int, number);
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(server, CannedReply::ok(answerWith(1)));
    SoapClient client(limits());
    if (initialised)
        initialise(client, wsdl);
    server.clearRequests();
    const RaisedError error = raisedBy([&] {
        if (arguments.isEmpty()) {
            client.invoke(operation);
        } else {
            QString argument = arguments.first();
            client.invoke(operation, argument);
        }
    });
    QCOMPARE(error.number(), number);
    QVERIFY(server.requests().isEmpty()); // refused before anything was sent
}

void TestSoapClient::properties_data()
{
    QTest::addColumn<bool>("connector");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("number"); // 0: accepted
    QTest::newRow("current user") << true << "ProxyServer" << QVariant("<CURRENT_USER>") << 0;
    QTest::newRow("no proxy") << true << "ProxyServer" << QVariant(QString()) << 0;
    QTest::newRow("auto proxy") << true << "EnableAutoProxy" << QVariant(true) << 0;
    QTest::newRow("proxy without port") << true << "ProxyServer" << QVariant("proxy.example")
                                        << int(ErrorNumber::BadArgument);
    QTest::newRow("proxy port too big") << true << "ProxyServer" << QVariant("proxy:70000")
                                        << int(ErrorNumber::BadArgument);
    QTest::newRow("auto proxy as text") << true << "EnableAutoProxy" << QVariant("true") << int(ErrorNumber::BadArgument);
    QTest::newRow("unknown connector property") << true << "ProxyPort" << QVariant(8080)
                                                << int(ErrorNumber::UnknownProperty);
    QTest::newRow("connector name in other case") << true << "proxyserver" << QVariant("<CURRENT_USER>")
                                                  << int(ErrorNumber::UnknownProperty);
    QTest::newRow("factory") << false << "GCTMObjectFactory" << QVariant() << 0;
    QTest::newRow("unknown client property") << false << "ServerHTTPRequest" << QVariant()
                                             << int(ErrorNumber::UnknownProperty);
}

void TestSoapClient::properties()
{
    QFETCH(bool, connector);
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(int, number);
    SoapClient client(limits());
    const RaisedError error = raisedBy([&] {
        if (connector)
            client.setConnectorProperty(name, value);
        else
            client.setClientProperty(name, std::make_shared<TestFactory>());
    });
    QCOMPARE(error.number(), number);
    if (number == ErrorNumber::UnknownProperty)
        QVERIFY2(error.description().contains(name), qPrintable(error.description()));
}

void TestSoapClient::explicitProxyCarriesTheRequests()
{
    // The test server stands in for the proxy: it sees absolute URLs on the request line.
    TestHttpServer proxy;
    const QByteArray wsdlUrl = "http://wsdl.kestrova.invalid/emu2003/ElectionResults.wsdl";
    const QByteArray endpoint = "http://wsdl.kestrova.invalid/emu2003/ElectionResults";
    proxy.setReply(wsdlUrl, CannedReply::ok(CannedService::wsdl(QUrl(QString::fromLatin1(endpoint)))));
    proxy.setReply(endpoint, CannedReply::ok(answerWith(2)));
    SoapClient client(limits());
    client.setConnectorProperty(QStringLiteral("ProxyServer"), QStringLiteral("127.0.0.1:%1").arg(proxy.port()));
    initialise(client, QUrl(QString::fromLatin1(wsdlUrl)));
    client.setClientProperty(QStringLiteral("GCTMObjectFactory"), std::make_shared<TestFactory>());
    QCOMPARE(int(client.invoke(Country).array().size()), 2);
    const auto requests = proxy.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].path, wsdlUrl);
    QCOMPARE(requests[1].path, endpoint);
}

void TestSoapClient::badMappingFailsBeforeTheNetwork()
{
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(server, CannedReply::ok(answerWith(1)));
    SoapClient client(limits());
    QString mapping = Mapping;
    mapping.replace(QLatin1String("Mapper30"), QLatin1String("Mapper31"));
    QCOMPARE(raisedBy([&] { initialise(client, wsdl, mapping); }).number(), ErrorNumber::UnknownTypeMapper);
    QVERIFY(server.requests().isEmpty());
    QCOMPARE(raisedBy([&] { client.invoke(Country); }).number(), ErrorNumber::NotInitialised);
}

void TestSoapClient::oversizedWsdlIsRefusedWhileReading()
{
    TestHttpServer server;
    CannedReply huge = CannedReply::ok({});
    huge.chunked = true; // no length announced: the limit must act on what arrives
    huge.chunks = QList<QByteArray>(20, QByteArray(1024 * 1024, ' '));
    huge.chunks.prepend("<wsdl:definitions xmlns:wsdl='http://schemas.xmlsoap.org/wsdl/'>");
    server.setReply(CannedService::WsdlPath, huge);
    SoapClient client(limits());
    const RaisedError error = raisedBy([&] { initialise(client, server.url(CannedService::WsdlPath)); });
    QCOMPARE(error.number(), ErrorNumber::AnswerTooLarge);
    QVERIFY2(error.description().contains(QLatin1String("WSDL")), qPrintable(error.description()));
}

void TestSoapClient::factoryIsShared()
{
    auto factory = std::make_shared<TestFactory>();
    std::weak_ptr<TestFactory> watch = factory;
    {
        SoapClient client(limits());
        client.setClientProperty(QStringLiteral("GCTMObjectFactory"), factory);
        factory.reset();
        QVERIFY(!watch.expired()); // the client holds it
    }
    QVERIFY(watch.expired()); // and lets it go with itself
}

QTEST_MAIN(TestSoapClient)
#include "tst_soapclient.moc"
