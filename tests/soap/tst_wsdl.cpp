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
    void rpcEncoded_data();
    void rpcEncoded();
    void documentLiteral();
    void refusals_data();
    void refusals();
};

void TestWsdl::rpcEncoded_data()
{
    QTest::addColumn<QByteArray>("wsdl");
    QTest::newRow("as the service writes it") << rpc();
    // Prefixes are the document's own business: other names, same meaning.
    QByteArray renamed = rpc();
    renamed.replace("xmlns:tns=", "xmlns:svc=").replace("\"tns:", "\"svc:");
    renamed.replace("xmlns:typens=", "xmlns:t=").replace("\"typens:", "\"t:");
    renamed.replace("wsdl:", "w:").replace("xmlns:wsdl=", "xmlns:w=");
    QTest::newRow("other prefixes") << renamed;
}

void TestWsdl::rpcEncoded()
{
    QFETCH(QByteArray, wsdl);
    const soap::ServiceDescription service = readProgramsService(wsdl);
    QCOMPARE(service.endpoint, Endpoint);
    QCOMPARE(service.operations.size(), 4);
    // What goes on the wire is the SOAP client's test; here what the decoder is told to expect.
    const soap::OperationInfo county = service.operations.value(QStringLiteral("getCountyResultsValnatt"));
    QCOMPARE(county.encodingStyle, QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/"));
    QCOMPARE(county.answer.operation, QStringLiteral("getCountyResultsValnatt"));
    QCOMPARE(county.answer.bodyNamespace, QStringLiteral(KSV_SERVICE_NAMESPACE));
    QCOMPARE(county.answer.returnPart, QStringLiteral("return"));
    QCOMPARE(county.answer.returnType, schemaName("ArrayOfQueryResult"));
    QCOMPARE(county.answer.itemType, schemaName("QueryResult"));
    QVERIFY(county.answer.rpcStyle && county.answer.encodedUse);

    QVERIFY(service.operations.value(QStringLiteral("getCountryResultsSlutsam")).parameters.empty());
}

void TestWsdl::documentLiteral()
{
    const soap::ServiceDescription service = readProgramsService(document());
    const soap::OperationInfo county = service.operations.value(QStringLiteral("getCountyResultsSlutsam"));
    QVERIFY(!county.answer.rpcStyle && !county.answer.encodedUse);
    QCOMPARE(county.answer.returnType, schemaName("getCountyResultsSlutsamResponse"));
    QCOMPARE(county.answer.bodyNamespace, QStringLiteral(KSV_SCHEMA_NAMESPACE));
    QCOMPARE(county.answer.itemType, schemaName("QueryResult"));

    // Unqualified local elements go out without a namespace.
    const soap::ServiceDescription unqualified = readProgramsService(
        replaced(document(), " elementFormDefault=\"qualified\"", ""));
    QCOMPARE(unqualified.operations.value(QStringLiteral("getCountyResultsSlutsam")).parameters[0],
             (QualifiedName{QString(), QStringLiteral("str_county")}));
}

void TestWsdl::refusals_data()
{
    QTest::addColumn<QByteArray>("wsdl");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("descriptionPart");

    QTest::newRow("HTML") << QByteArray("<html><body><p>Not here</body></html>")
                          << int(ErrorNumber::MalformedXml) << QString();
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
