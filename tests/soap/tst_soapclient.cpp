#include "errornumbers.h"
#include "raisederror.h"
#include "soapclient.h"

#include "cannedservice.h"
#include "gzip.h"
#include "testhttpserver.h"

#include "ksv_config.h"

#include <QTcpServer>
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

// Makes a plain object with whatever members the mapper sets.
class Record : public soap::DispatchObject
{
public:
    bool setMember(QStringView name, QStringView value) override
    {
        members.insert(name.toString(), value.toString());
        return true;
    }
    std::optional<QString> member(QStringView name) const override
    {
        const QString key = name.toString();
        return members.contains(key) ? std::optional<QString>(members.value(key)) : std::nullopt;
    }
    QMap<QString, QString> members;
};

class Factory : public soap::IGCTMObjectFactory
{
public:
    soap::ObjectPtr IGCTMObjectFactory_CreateObject(const std::shared_ptr<soap::DomNode> &) override
    {
        ++calls;
        return std::make_shared<Record>();
    }
    int calls = 0;
};

soap::TransportLimits limits(std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    soap::TransportLimits l;
    l.timeout = timeout;
    return l;
}

void initialise(SoapClient &client, const QUrl &wsdl)
{
    client.initialise(wsdl.toString(), Mapping, QStringLiteral(KSV_SERVICE_NAME),
                      QStringLiteral(KSV_PORT_NAME), QStringLiteral(KSV_SERVICE_NAMESPACE));
}

QByteArray countryAnswer(int records, CannedService::Style style = CannedService::Style::RpcEncoded)
{
    QList<CannedService::Record> list;
    for (int i = 0; i < records; ++i)
        list.append(CannedService::record(QString::number(i)));
    return CannedService::answer(QStringLiteral("getCountryResultsValnatt"), list, style);
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
    void requestOnTheWire_data();
    void requestOnTheWire();
    void faultsWhateverTheStatus_data();
    void faultsWhateverTheStatus();
    void faultCodeClearedByTheNextCall();
    void httpErrorsWithoutFault_data();
    void httpErrorsWithoutFault();
    void misuse_data();
    void misuse();
    void properties_data();
    void properties();
    void explicitProxyCarriesTheRequests();
    void badMappingFailsBeforeTheNetwork();
    void oversizedWsdlIsRefusedWhileReading();
    void endpointDown();
    void gzipAnswer();
    void noFactorySkipsMappedElements();
    void factoryIsShared();
};

void TestSoapClient::callsInBothStyles_data()
{
    QTest::addColumn<CannedService::Style>("style");
    QTest::newRow("rpc/encoded") << CannedService::Style::RpcEncoded;
    QTest::newRow("document/literal") << CannedService::Style::DocumentLiteral;
}

void TestSoapClient::callsInBothStyles()
{
    QFETCH(CannedService::Style, style);
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(server, CannedReply::ok(countryAnswer(3, style)), style);
    SoapClient client(limits());
    initialise(client, wsdl);
    auto factory = std::make_shared<Factory>();
    client.setClientProperty(QStringLiteral("GCTMObjectFactory"), factory);
    const soap::Variant answer = client.invoke(QStringLiteral("getCountryResultsValnatt"));
    QCOMPARE(int(answer.array().size()), 3);
    QCOMPARE(factory->calls, 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(answer.array()[std::size_t(i)]->member(QStringLiteral("name")),
                 std::optional<QString>(QStringLiteral("name-%1").arg(i)));
    QVERIFY(client.faultCode().isEmpty());
}

void TestSoapClient::requestOnTheWire_data()
{
    QTest::addColumn<CannedService::Style>("style");
    QTest::addColumn<QString>("wrapperNamespace");
    QTest::addColumn<QString>("argumentNamespace");
    QTest::newRow("rpc/encoded") << CannedService::Style::RpcEncoded << QStringLiteral(KSV_SERVICE_NAMESPACE) << QString();
    QTest::newRow("document/literal") << CannedService::Style::DocumentLiteral
                                      << QStringLiteral(KSV_SCHEMA_NAMESPACE) << QStringLiteral(KSV_SCHEMA_NAMESPACE);
}

void TestSoapClient::requestOnTheWire()
{
    QFETCH(CannedService::Style, style);
    QFETCH(QString, wrapperNamespace);
    QFETCH(QString, argumentNamespace);
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(
        server, CannedReply::ok(CannedService::answer(QStringLiteral("getCountyResultsValnatt"), {}, style)), style);
    SoapClient client(limits());
    initialise(client, wsdl);
    QString county = QStringLiteral("12");
    client.invoke(QStringLiteral("getCountyResultsValnatt"), county);
    QCOMPARE(county, QStringLiteral("12"));

    const auto requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].method, QByteArray("GET"));
    QCOMPARE(requests[0].path, QByteArray(CannedService::WsdlPath));
    const auto &call = requests[1];
    QCOMPARE(call.method, QByteArray("POST"));
    QCOMPARE(call.path, QByteArray(CannedService::EndpointPath));
    QCOMPARE(call.header("SOAPAction"), QByteArray("\"urn:ElectionResults#getCountyResultsValnatt\""));
    QCOMPARE(call.header("Content-Type"), QByteArray("text/xml; charset=utf-8"));

    QXmlStreamReader reader(call.body);
    QStringList elements;
    QString argument;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        elements.append(QStringLiteral("{%1}%2").arg(reader.namespaceUri(), reader.name()));
        if (reader.name() == QLatin1String("str_county"))
            argument = reader.readElementText();
    }
    QVERIFY(!reader.hasError());
    QCOMPARE(elements.value(2), QStringLiteral("{%1}getCountyResultsValnatt").arg(wrapperNamespace));
    QCOMPARE(elements.value(3), QStringLiteral("{%1}str_county").arg(argumentNamespace));
    QCOMPARE(argument, QStringLiteral("12"));
}

void TestSoapClient::faultsWhateverTheStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    for (int status : {200, 400, 500}) {
        QTest::addRow("SOAP 1.1, %d", status)
            << status << CannedService::fault11(QStringLiteral("SOAP-ENV:Server"), QStringLiteral("Databasen svarar inte"))
            << QStringLiteral("SOAP-ENV:Server") << QStringLiteral("Databasen svarar inte");
        QTest::addRow("SOAP 1.1 without faultcode, %d", status)
            << status << CannedService::fault11(QString(), QStringLiteral("Okänt fel"))
            << QString() << QStringLiteral("Okänt fel");
        QTest::addRow("SOAP 1.2, %d", status)
            << status << CannedService::fault12(QStringLiteral("env:Receiver"), QStringLiteral("Överbelastad"))
            << QStringLiteral("env:Receiver") << QStringLiteral("Överbelastad");
    }
}

void TestSoapClient::faultsWhateverTheStatus()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, code);
    QFETCH(QString, text);
    TestHttpServer server;
    SoapClient client(limits());
    initialise(client, CannedService::install(server, CannedReply::withStatus(status, body)));
    const RaisedError error = raisedBy([&] { client.invoke(QStringLiteral("getCountryResultsValnatt")); });
    QCOMPARE(error.number(), ErrorNumber::SoapFault);
    QCOMPARE(error.description(), text);
    QCOMPARE(client.faultCode(), code);
    QCOMPARE(client.faultString(), text);
}

void TestSoapClient::faultCodeClearedByTheNextCall()
{
    TestHttpServer server;
    SoapClient client(limits());
    initialise(client, CannedService::install(server, CannedReply::withStatus(
        500, CannedService::fault11(QStringLiteral("SOAP-ENV:Client"), QStringLiteral("Fel")))));
    QVERIFY_THROWS_EXCEPTION(RaisedError, client.invoke(QStringLiteral("getCountryResultsValnatt")));
    QCOMPARE(client.faultCode(), QStringLiteral("SOAP-ENV:Client"));

    server.setReply(CannedService::EndpointPath, CannedReply::ok(countryAnswer(1)));
    client.invoke(QStringLiteral("getCountryResultsValnatt"));
    QVERIFY(client.faultCode().isEmpty());
    QVERIFY(client.faultString().isEmpty());

    // A transport failure is no fault either.
    server.setReply(CannedService::EndpointPath, CannedReply::withStatus(
        500, CannedService::fault11(QStringLiteral("SOAP-ENV:Client"), QStringLiteral("Fel"))));
    QVERIFY_THROWS_EXCEPTION(RaisedError, client.invoke(QStringLiteral("getCountryResultsValnatt")));
    server.setReply(CannedService::EndpointPath, CannedReply::withStatus(503, "busy", "text/plain"));
    QCOMPARE(raisedBy([&] { client.invoke(QStringLiteral("getCountryResultsValnatt")); }).number(),
             ErrorNumber::HttpStatus);
    QVERIFY(client.faultCode().isEmpty());
}

void TestSoapClient::httpErrorsWithoutFault_data()
{
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("descriptionPart");
    QTest::newRow("500 HTML page")
        << CannedReply::withStatus(500, "<html><head><title>Error</title></head><body>Boom</body></html>", "text/html")
        << int(ErrorNumber::HttpStatus) << QStringLiteral("HTTP-status 500 (Internal Server Error)");
    QTest::newRow("502 XHTML page")
        << CannedReply::withStatus(502, "<?xml version='1.0'?><html xmlns='http://www.w3.org/1999/xhtml'><body/></html>", "application/xhtml+xml")
        << int(ErrorNumber::HttpStatus) << QStringLiteral("HTTP-status 502 (Bad Gateway)");
    QTest::newRow("404 empty") << CannedReply::withStatus(404, "", "text/plain") << int(ErrorNumber::HttpStatus)
                               << QStringLiteral("HTTP-status 404");
    QTest::newRow("500 with an answer, not a fault")
        << CannedReply::withStatus(500, countryAnswer(1)) << int(ErrorNumber::HttpStatus) << QStringLiteral("500");
    CannedReply reason = CannedReply::withStatus(503, "", "text/plain");
    reason.reason = "Valnatten pausad";
    QTest::newRow("own reason phrase") << reason << int(ErrorNumber::HttpStatus) << QStringLiteral("503 (Valnatten pausad)");
}

void TestSoapClient::httpErrorsWithoutFault()
{
    QFETCH(CannedReply, reply);
    QFETCH(int, number);
    QFETCH(QString, descriptionPart);
    TestHttpServer server;
    SoapClient client(limits());
    initialise(client, CannedService::install(server, reply));
    const RaisedError error = raisedBy([&] { client.invoke(QStringLiteral("getCountryResultsValnatt")); });
    QCOMPARE(error.number(), number);
    QVERIFY2(error.description().contains(descriptionPart), qPrintable(error.description()));
    QVERIFY2(error.description().contains(server.url(CannedService::EndpointPath).toString()),
             qPrintable(error.description()));
    QVERIFY(client.faultCode().isEmpty());
}

void TestSoapClient::misuse_data()
{
    QTest::addColumn<bool>("initialised");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("number");
    QTest::newRow("not initialised") << false << QStringLiteral("getCountryResultsValnatt") << QStringList() << int(ErrorNumber::NotInitialised);
    QTest::newRow("unknown operation") << true << QStringLiteral("getMunicipalityResults") << QStringList() << int(ErrorNumber::UnknownOperation);
    QTest::newRow("operation in other case") << true << QStringLiteral("getcountryresultsvalnatt") << QStringList() << int(ErrorNumber::UnknownOperation);
    QTest::newRow("argument too many") << true << QStringLiteral("getCountryResultsValnatt") << QStringList{QStringLiteral("01")} << int(ErrorNumber::BadArgument);
    QTest::newRow("control character") << true << QStringLiteral("getCountyResultsValnatt") << QStringList{QStringLiteral("0\x01")} << int(ErrorNumber::BadArgument);
}

void TestSoapClient::misuse()
{
    QFETCH(bool, initialised);
    QFETCH(QString, operation);
    QFETCH(QStringList, arguments);
    QFETCH(int, number);
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(server, CannedReply::ok(countryAnswer(1)));
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
    QTest::newRow("current user") << true << QStringLiteral("ProxyServer") << QVariant(QStringLiteral("<CURRENT_USER>")) << 0;
    QTest::newRow("host:port") << true << QStringLiteral("ProxyServer") << QVariant(QStringLiteral("proxy.example:3128")) << 0;
    QTest::newRow("no proxy") << true << QStringLiteral("ProxyServer") << QVariant(QString()) << 0;
    QTest::newRow("auto proxy on") << true << QStringLiteral("EnableAutoProxy") << QVariant(true) << 0;
    QTest::newRow("auto proxy off") << true << QStringLiteral("EnableAutoProxy") << QVariant(false) << 0;
    QTest::newRow("proxy without port") << true << QStringLiteral("ProxyServer") << QVariant(QStringLiteral("proxy.example")) << int(ErrorNumber::BadArgument);
    QTest::newRow("proxy port not a number") << true << QStringLiteral("ProxyServer") << QVariant(QStringLiteral("proxy:http")) << int(ErrorNumber::BadArgument);
    QTest::newRow("proxy port too big") << true << QStringLiteral("ProxyServer") << QVariant(QStringLiteral("proxy:70000")) << int(ErrorNumber::BadArgument);
    QTest::newRow("auto proxy as text") << true << QStringLiteral("EnableAutoProxy") << QVariant(QStringLiteral("true")) << int(ErrorNumber::BadArgument);
    QTest::newRow("unknown connector property") << true << QStringLiteral("ProxyPort") << QVariant(8080) << int(ErrorNumber::UnknownProperty);
    QTest::newRow("connector name in other case") << true << QStringLiteral("proxyserver") << QVariant(QStringLiteral("<CURRENT_USER>")) << int(ErrorNumber::UnknownProperty);
    QTest::newRow("factory") << false << QStringLiteral("GCTMObjectFactory") << QVariant() << 0;
    QTest::newRow("unknown client property") << false << QStringLiteral("ServerHTTPRequest") << QVariant() << int(ErrorNumber::UnknownProperty);
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
            client.setClientProperty(name, std::make_shared<Factory>());
    });
    QCOMPARE(error.number(), number);
    if (number != 0)
        QVERIFY2(error.description().contains(name) || number == ErrorNumber::BadArgument, qPrintable(error.description()));
}

void TestSoapClient::explicitProxyCarriesTheRequests()
{
    // The test server stands in for the proxy: it sees absolute URLs on the request line.
    TestHttpServer proxy;
    const QByteArray wsdlUrl = "http://wsdl.kestrova.invalid/emu2003/ElectionResults.wsdl";
    const QByteArray endpoint = "http://wsdl.kestrova.invalid/emu2003/ElectionResults";
    proxy.setReply(wsdlUrl, CannedReply::ok(CannedService::wsdl(QUrl(QString::fromLatin1(endpoint)))));
    proxy.setReply(endpoint, CannedReply::ok(countryAnswer(2)));
    SoapClient client(limits());
    client.setConnectorProperty(QStringLiteral("ProxyServer"), QStringLiteral("127.0.0.1:%1").arg(proxy.port()));
    initialise(client, QUrl(QString::fromLatin1(wsdlUrl)));
    client.setClientProperty(QStringLiteral("GCTMObjectFactory"), std::make_shared<Factory>());
    QCOMPARE(int(client.invoke(QStringLiteral("getCountryResultsValnatt")).array().size()), 2);
    const auto requests = proxy.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].path, wsdlUrl);
    QCOMPARE(requests[1].path, endpoint);
}

void TestSoapClient::badMappingFailsBeforeTheNetwork()
{
    TestHttpServer server;
    const QUrl wsdl = CannedService::install(server, CannedReply::ok(countryAnswer(1)));
    SoapClient client(limits());
    const RaisedError error = raisedBy([&] {
        client.initialise(wsdl.toString(),
                          QStringLiteral("<servicemapping><service name='ElectionResults'>"
                                         "<using PROGID='MSSOAP.GenericCustomTypeMapper31' cachable='0' ID='GCTM'/>"
                                         "</service></servicemapping>"),
                          QStringLiteral(KSV_SERVICE_NAME), QStringLiteral(KSV_PORT_NAME),
                          QStringLiteral(KSV_SERVICE_NAMESPACE));
    });
    QCOMPARE(error.number(), ErrorNumber::UnknownTypeMapper);
    QVERIFY(server.requests().isEmpty());
    QCOMPARE(raisedBy([&] { client.invoke(QStringLiteral("getCountryResultsValnatt")); }).number(),
             ErrorNumber::NotInitialised);
}

void TestSoapClient::oversizedWsdlIsRefusedWhileReading()
{
    TestHttpServer server;
    CannedReply huge = CannedReply::ok({});
    huge.chunked = true; // no length announced: the limit must act on what arrives
    const QByteArray piece(1024 * 1024, ' ');
    huge.chunks.append("<wsdl:definitions xmlns:wsdl='http://schemas.xmlsoap.org/wsdl/'>");
    for (int i = 0; i < 20; ++i)
        huge.chunks.append(piece);
    server.setReply(CannedService::WsdlPath, huge);
    SoapClient client(limits());
    const RaisedError error = raisedBy([&] { initialise(client, server.url(CannedService::WsdlPath)); });
    QCOMPARE(error.number(), ErrorNumber::AnswerTooLarge);
    QVERIFY2(error.description().contains(QLatin1String("WSDL")), qPrintable(error.description()));
}

void TestSoapClient::endpointDown()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const QUrl endpoint(QStringLiteral("http://127.0.0.1:%1/down").arg(probe.serverPort()));
    probe.close();
    TestHttpServer server;
    server.setReply(CannedService::WsdlPath, CannedReply::ok(CannedService::wsdl(endpoint)));
    SoapClient client(limits());
    initialise(client, server.url(CannedService::WsdlPath));
    const RaisedError error = raisedBy([&] { client.invoke(QStringLiteral("getCountryResultsValnatt")); });
    QCOMPARE(error.number(), ErrorNumber::CannotConnect);
    QCOMPARE(error.description(), QStringLiteral("Kunde inte ansluta till %1: anslutningen nekades").arg(endpoint.toString()));
}

void TestSoapClient::gzipAnswer()
{
    TestHttpServer server;
    CannedReply reply = CannedReply::ok(testsupport::gzip(countryAnswer(40)));
    reply.headers.append({QByteArray("Content-Encoding"), QByteArray("gzip")});
    SoapClient client(limits());
    initialise(client, CannedService::install(server, reply));
    client.setClientProperty(QStringLiteral("GCTMObjectFactory"), std::make_shared<Factory>());
    QCOMPARE(int(client.invoke(QStringLiteral("getCountryResultsValnatt")).array().size()), 40);
}

void TestSoapClient::noFactorySkipsMappedElements()
{
    TestHttpServer server;
    SoapClient client(limits());
    initialise(client, CannedService::install(server, CannedReply::ok(countryAnswer(3))));
    const soap::Variant answer = client.invoke(QStringLiteral("getCountryResultsValnatt"));
    QVERIFY(answer.isArray());
    QVERIFY(answer.array().empty());
}

void TestSoapClient::factoryIsShared()
{
    auto factory = std::make_shared<Factory>();
    std::weak_ptr<Factory> watch = factory;
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
