#include "errornumbers.h"
#include "raisederror.h"
#include "wsdlreader.h"

#include "cannedservice.h"

#include "ksv_config.h"

#include <QTest>

using soap::QualifiedName;
using soap::RaisedError;
using soap::WsdlReader;
using testsupport::CannedService;
namespace ErrorNumber = soap::ErrorNumber;

namespace {

const QUrl Endpoint(QStringLiteral("http://127.0.0.1:8803/emu2003/webservices/ElectionResults"));
const QString Where = QStringLiteral("http://127.0.0.1:8803/x.wsdl");

QByteArray rpc() { return CannedService::wsdl(Endpoint, CannedService::Style::RpcEncoded); }
QByteArray document() { return CannedService::wsdl(Endpoint, CannedService::Style::DocumentLiteral); }

QByteArray replaced(QByteArray text, const QByteArray &from, const QByteArray &to)
{
    Q_ASSERT(text.contains(from));
    return text.replace(from, to);
}

soap::ServiceDescription readProgramsService(const QByteArray &wsdl)
{
    return WsdlReader(QStringLiteral(KSV_SERVICE_NAME), QStringLiteral(KSV_PORT_NAME),
                      QStringLiteral(KSV_SERVICE_NAMESPACE))
        .read(wsdl, Where);
}

QualifiedName schemaName(const char *local) { return {QStringLiteral(KSV_SCHEMA_NAMESPACE), QString::fromLatin1(local)}; }

} // namespace

class TestWsdl : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatTheCallNeeds_data();
    void readsWhatTheCallNeeds();
    void refusals_data();
    void refusals();
};

void TestWsdl::readsWhatTheCallNeeds_data()
{
    // What goes on the wire is the SOAP client's test; here what the writer and decoder are told.
    QTest::addColumn<QByteArray>("wsdl");
    QTest::addColumn<bool>("rpc");
    QTest::addColumn<QString>("bodyNamespace");
    QTest::addColumn<QString>("returnType");
    QTest::addColumn<QString>("argumentNamespace");
    const QString service = QStringLiteral(KSV_SERVICE_NAMESPACE);
    const QString schema = QStringLiteral(KSV_SCHEMA_NAMESPACE);
    QTest::newRow("rpc/encoded") << rpc() << true << service << "ArrayOfQueryResult" << QString();
    // Prefixes are the document's own business: other names, same meaning.
    QByteArray renamed = rpc();
    renamed.replace("xmlns:tns=", "xmlns:svc=").replace("\"tns:", "\"svc:");
    renamed.replace("xmlns:typens=", "xmlns:t=").replace("\"typens:", "\"t:");
    renamed.replace("wsdl:", "w:").replace("xmlns:wsdl=", "xmlns:w=");
    QTest::newRow("other prefixes") << renamed << true << service << "ArrayOfQueryResult" << QString();
    QTest::newRow("document/literal") << document() << false << schema << "getCountyResultsValnattResponse" << schema;
    // Unqualified local elements go out without a namespace.
    QTest::newRow("document/literal, unqualified") << replaced(document(), " elementFormDefault=\"qualified\"", "")
                                                   << false << schema << "getCountyResultsValnattResponse" << QString();
}

void TestWsdl::readsWhatTheCallNeeds()
{
    QFETCH(QByteArray, wsdl);
    QFETCH(bool, rpc);
    QFETCH(QString, bodyNamespace);
    QFETCH(QString, returnType);
    QFETCH(QString, argumentNamespace);
    const soap::ServiceDescription service = readProgramsService(wsdl);
    QCOMPARE(service.endpoint, Endpoint);
    QCOMPARE(service.operations.size(), 4);
    QVERIFY(service.operations.value(QStringLiteral("getCountryResultsSlutsam")).parameters.isEmpty());
    const soap::OperationInfo county = service.operations.value(QStringLiteral("getCountyResultsValnatt"));
    QCOMPARE(county.parameters, (QList<QualifiedName>{{argumentNamespace, QStringLiteral("str_county")}}));
    QCOMPARE(county.encodingStyle, rpc ? QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/") : QString());
    QCOMPARE(county.answer.operation, QStringLiteral("getCountyResultsValnatt"));
    QCOMPARE(county.answer.rpcStyle, rpc);
    QCOMPARE(county.answer.encodedUse, rpc);
    QCOMPARE(county.answer.bodyNamespace, bodyNamespace);
    QCOMPARE(county.answer.returnType, (QualifiedName{QStringLiteral(KSV_SCHEMA_NAMESPACE), returnType}));
    QCOMPARE(county.answer.itemType, schemaName("QueryResult"));
    if (rpc)
        QCOMPARE(county.answer.returnPart, QStringLiteral("return"));
}

void TestWsdl::refusals_data()
{
    QTest::addColumn<QByteArray>("wsdl");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("descriptionPart");

    QTest::newRow("not WSDL") << QByteArray("<definitions/>") << int(ErrorNumber::WsdlInvalid)
                              << QStringLiteral("wsdl:definitions");
    QTest::newRow("DOCTYPE") << QByteArray("<?xml version='1.0'?><!DOCTYPE d [<!ENTITY e 'x'>]>") + rpc().mid(rpc().indexOf("<wsdl:definitions"))
                             << int(ErrorNumber::DoctypeRefused) << QStringLiteral("DOCTYPE");
    QTest::newRow("no such service")
        << replaced(rpc(), "<wsdl:service name=\"ElectionResults\"", "<wsdl:service name=\"Valresultat\"")
        << int(ErrorNumber::WsdlNoService) << QStringLiteral("ElectionResults");
    QTest::newRow("service in another namespace")
        << replaced(rpc(), "targetNamespace=\"" KSV_SERVICE_NAMESPACE "\"", "targetNamespace=\"urn:other\"")
        << int(ErrorNumber::WsdlNoService) << QStringLiteral(KSV_SERVICE_NAMESPACE);
    QTest::newRow("no such port")
        << replaced(rpc(), "name=\"ElectionResultsPort0\"", "name=\"ElectionResultsPort1\"")
        << int(ErrorNumber::WsdlNoPort) << QStringLiteral("ElectionResultsPort0");
    QTest::newRow("no address")
        << replaced(rpc(), "<soap:address", "<soap:nothing") << int(ErrorNumber::WsdlInvalid)
        << QStringLiteral("soap:address");
    QTest::newRow("SOAP 1.2 only")
        << replaced(replaced(rpc(), "<soap:address", "<s12:address"), "<wsdl:definitions",
                    "<wsdl:definitions xmlns:s12=\"http://schemas.xmlsoap.org/wsdl/soap12/\"")
        << int(ErrorNumber::WsdlUnsupportedBinding) << QStringLiteral("SOAP 1.2");
    QTest::newRow("binding missing")
        << replaced(rpc(), "binding=\"tns:ElectionResultsBinding\"", "binding=\"tns:Gone\"")
        << int(ErrorNumber::WsdlInvalid) << QStringLiteral("tns:Gone");
    QTest::newRow("not a SOAP binding")
        << replaced(rpc(), "<soap:binding ", "<soap:nonsense ") << int(ErrorNumber::WsdlUnsupportedBinding)
        << QStringLiteral("SOAP 1.1");
    QTest::newRow("unknown use")
        << replaced(rpc(), "use=\"encoded\"", "use=\"compressed\"") << int(ErrorNumber::WsdlUnsupportedBinding)
        << QStringLiteral("compressed");
    QTest::newRow("document/encoded")
        << replaced(document(), "use=\"literal\"", "use=\"encoded\"") << int(ErrorNumber::WsdlUnsupportedBinding)
        << QStringLiteral("document/encoded");
    QTest::newRow("operation not in the portType")
        << replaced(rpc(), "<wsdl:operation name=\"getCountyResultsSlutsam\"><wsdl:input",
                    "<wsdl:operation name=\"getCountyResultsSlutsamX\"><wsdl:input")
        << int(ErrorNumber::WsdlInvalid) << QStringLiteral("getCountyResultsSlutsam");
    QTest::newRow("truncated") << rpc().left(rpc().size() / 2) << int(ErrorNumber::MalformedXml)
                               << QStringLiteral("rad");
}

void TestWsdl::refusals()
{
    QFETCH(QByteArray, wsdl);
    QFETCH(int, number);
    QFETCH(QString, descriptionPart);
    try {
        readProgramsService(wsdl);
        QFAIL("the document was accepted");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.description().contains(Where), qPrintable(error.description()));
        QVERIFY2(error.description().contains(descriptionPart), qPrintable(error.description()));
    }
}

QTEST_MAIN(TestWsdl)
#include "tst_wsdl.moc"
