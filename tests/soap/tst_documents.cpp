#include "errornumbers.h"
#include "mappingdocument.h"
#include "raisederror.h"
#include "wsdlreader.h"

#include "cannedservice.h"
#include "wsdlwriter.h"

#include "ksv_config.h"

#include <QTest>

using soap::QualifiedName;
using soap::RaisedError;
namespace ErrorNumber = soap::ErrorNumber;

namespace {

const QUrl Endpoint(QStringLiteral("http://127.0.0.1:8803/emu2003/webservices/ElectionResults/soap"));
const QString Where = QStringLiteral("http://127.0.0.1:8803/x.wsdl");
const QString Service = QStringLiteral(KSV_SERVICE_NAME);
const QString Schema = QStringLiteral(KSV_SCHEMA_NAMESPACE);

QByteArray rpc() { return WsdlWriter::write(Endpoint.toString()); }
QByteArray document() { return CannedService::documentLiteralWsdl(Endpoint); }

QByteArray replaced(QByteArray text, const QByteArray &from, const QByteArray &to)
{
    Q_ASSERT(text.contains(from));
    return text.replace(from, to);
}

soap::ServiceDescription readWsdl(const QByteArray &wsdl)
{
    return soap::WsdlReader(Service, QStringLiteral(KSV_PORT_NAME), QStringLiteral(KSV_SERVICE_NAMESPACE)).read(wsdl, Where);
}

QString mapping(const QString &usings, const QString &types, const QString &service = Service)
{
    return QStringLiteral("<servicemapping><service name='%1'>%2<types>%3</types></service></servicemapping>")
        .arg(service, usings, types);
}
const QString Generic = QStringLiteral("<using PROGID='MSSOAP.GenericCustomTypeMapper30' cachable='0' ID='GCTM'/>");
const QString QueryResultType = QStringLiteral(
    "<type name='QueryResult' targetNamespace='urn:schema' uses='GCTM' targetClassName='struct_QueryResult'/>");

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatTheCallNeeds_data();
    void readsWhatTheCallNeeds();
    void mappingTypesInOrderWithNodesThatOutliveIt();
    void refusals_data();
    void refusals();
};

void TestDocuments::readsWhatTheCallNeeds_data()
{
    // What goes on the wire is the SOAP client's test; here what the writer and decoder are told.
    QTest::addColumn<QByteArray>("wsdl");
    QTest::addColumn<bool>("rpc");
    QTest::addColumn<QString>("bodyNamespace");
    QTest::addColumn<QString>("returnType");
    QTest::addColumn<QString>("argumentNamespace");
    const QString service = QStringLiteral(KSV_SERVICE_NAMESPACE);
    QTest::newRow("rpc/encoded") << rpc() << true << service << "ArrayOfQueryResult" << QString();
    // Prefixes are the document's own business: other names, same meaning.
    QByteArray renamed = rpc();
    renamed.replace("xmlns:tns=", "xmlns:svc=").replace("\"tns:", "\"svc:");
    renamed.replace("xmlns:typens=", "xmlns:t=").replace("\"typens:", "\"t:");
    renamed.replace("wsdl:", "w:").replace("xmlns:wsdl=", "xmlns:w=");
    QTest::newRow("other prefixes") << renamed << true << service << "ArrayOfQueryResult" << QString();
    QTest::newRow("document/literal") << document() << false << Schema << "getCountyResultsValnattResponse" << Schema;
    // Unqualified local elements go out without a namespace.
    QTest::newRow("document/literal, unqualified") << replaced(document(), " elementFormDefault=\"qualified\"", "")
                                                   << false << Schema << "getCountyResultsValnattResponse" << QString();
}

void TestDocuments::readsWhatTheCallNeeds()
{
    QFETCH(QByteArray, wsdl);
    QFETCH(bool, rpc);
    QFETCH(QString, bodyNamespace);
    QFETCH(QString, returnType);
    QFETCH(QString, argumentNamespace);
    const soap::ServiceDescription service = readWsdl(wsdl);
    QCOMPARE(service.endpoint, Endpoint);
    QCOMPARE(service.operations.size(), 4);
    QVERIFY(service.operations.value(QStringLiteral("getCountryResultsSlutsam")).parameters.isEmpty());
    const soap::OperationInfo county = service.operations.value(QStringLiteral("getCountyResultsValnatt"));
    QCOMPARE(county.parameters, (QList<QualifiedName>{{argumentNamespace, QStringLiteral("county")}}));
    QCOMPARE(county.encodingStyle, rpc ? QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/") : QString());
    QCOMPARE(county.answer.operation, QStringLiteral("getCountyResultsValnatt"));
    QCOMPARE(county.answer.rpcStyle, rpc);
    QCOMPARE(county.answer.encodedUse, rpc);
    QCOMPARE(county.answer.bodyNamespace, bodyNamespace);
    QCOMPARE(county.answer.returnType, (QualifiedName{Schema, returnType}));
    QCOMPARE(county.answer.itemType, (QualifiedName{Schema, QStringLiteral("QueryResult")}));
    if (rpc)
        QCOMPARE(county.answer.returnPart, QStringLiteral("return"));
}

void TestDocuments::mappingTypesInOrderWithNodesThatOutliveIt()
{
    std::shared_ptr<soap::DomNode> node;
    {
        const auto document = soap::MappingDocument::parse(
            mapping(Generic, QueryResultType + "<type name='Other' targetNamespace='urn:b' uses='GCTM' targetClassName='x'/>"),
            Service);
        QCOMPARE(document.types().size(), std::size_t(2));
        QCOMPARE(document.types()[0].type, (QualifiedName{QStringLiteral("urn:schema"), QStringLiteral("QueryResult")}));
        QCOMPARE(document.types()[1].type, (QualifiedName{QStringLiteral("urn:b"), QStringLiteral("Other")}));
        node = document.types().at(0).mappingNode;
    }
    QCOMPARE(node->nodeName(), QStringLiteral("type"));
    const auto attributes = node->attributes();
    QCOMPARE(attributes->getNamedItem(QStringLiteral("targetClassName"))->nodeValue(), QStringLiteral("struct_QueryResult"));
    QVERIFY(!attributes->getNamedItem(QStringLiteral("targetclassname"))); // names are exact
    QVERIFY(soap::MappingDocument::parse(QString(), Service).types().empty());
}

void TestDocuments::refusals_data()
{
    QTest::addColumn<QByteArray>("wsdl"); // empty: the mapping is read instead
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("descriptionPart");
    const auto wsdlRow = [](const char *name, const QByteArray &wsdl, int number, const QString &part) {
        QTest::newRow(name) << wsdl << QString() << number << part;
    };
    const auto mappingRow = [](const char *name, const QString &text, int number, const QString &part) {
        QTest::newRow(name) << QByteArray() << text << number << part;
    };
    wsdlRow("not WSDL", "<definitions/>", ErrorNumber::WsdlInvalid, "wsdl:definitions");
    wsdlRow("DOCTYPE", "<?xml version='1.0'?><!DOCTYPE d [<!ENTITY e 'x'>]>" + rpc().mid(rpc().indexOf("<wsdl:definitions")),
            ErrorNumber::DoctypeRefused, "DOCTYPE");
    wsdlRow("no such service", replaced(rpc(), "<wsdl:service name=\"" KSV_SERVICE_NAME "\"", "<wsdl:service name=\"V\""),
            ErrorNumber::WsdlNoService, Service);
    wsdlRow("service in another namespace",
            replaced(rpc(), "targetNamespace=\"" KSV_SERVICE_NAMESPACE "\"", "targetNamespace=\"urn:other\""),
            ErrorNumber::WsdlNoService, KSV_SERVICE_NAMESPACE);
    wsdlRow("no such port", replaced(rpc(), "name=\"" KSV_PORT_NAME "\"", "name=\"Port1\""), ErrorNumber::WsdlNoPort,
            KSV_PORT_NAME);
    wsdlRow("no address", replaced(rpc(), "<soap:address", "<soap:nothing"), ErrorNumber::WsdlInvalid, "soap:address");
    wsdlRow("SOAP 1.2 only",
            replaced(replaced(rpc(), "<soap:address", "<s12:address"), "<wsdl:definitions",
                     "<wsdl:definitions xmlns:s12=\"http://schemas.xmlsoap.org/wsdl/soap12/\""),
            ErrorNumber::WsdlUnsupportedBinding, "SOAP 1.2");
    wsdlRow("binding missing", replaced(rpc(), "binding=\"tns:ElectionResultsBinding\"", "binding=\"tns:Gone\""),
            ErrorNumber::WsdlInvalid, "tns:Gone");
    wsdlRow("not a SOAP binding", replaced(rpc(), "<soap:binding ", "<soap:nonsense "), ErrorNumber::WsdlUnsupportedBinding,
            "SOAP 1.1");
    wsdlRow("unknown use", replaced(rpc(), "use=\"encoded\"", "use=\"compressed\""), ErrorNumber::WsdlUnsupportedBinding,
            "compressed");
    wsdlRow("document/encoded", replaced(document(), "use=\"literal\"", "use=\"encoded\""),
            ErrorNumber::WsdlUnsupportedBinding, "document/encoded");
    wsdlRow("operation not in the portType",
            replaced(rpc(), "name=\"getCountyResultsSlutsam\" parameterOrder", "name=\"Other\" parameterOrder"),
            ErrorNumber::WsdlInvalid, "getCountyResultsSlutsam");
    wsdlRow("truncated", rpc().left(rpc().size() / 2), ErrorNumber::MalformedXml, "rad");

    mappingRow("unknown ProgID",
               mapping("<using PROGID='MSSOAP.UDTMapper30' cachable='0' ID='UDT'/>",
                       "<type name='QueryResult' targetNamespace='urn:s' uses='UDT' targetClassName='x'/>"),
               ErrorNumber::UnknownTypeMapper, "MSSOAP.UDTMapper30");
    mappingRow("ProgID in other case", mapping(QString(Generic).replace("MSSOAP.Generic", "mssoap.generic"), QueryResultType),
               ErrorNumber::UnknownTypeMapper, "mssoap.genericCustom");
    mappingRow("type uses an undeclared mapper", mapping(Generic, QString(QueryResultType).replace("'GCTM'", "'OTHER'")),
               ErrorNumber::MappingInvalid, "OTHER");
    mappingRow("ID twice", mapping(Generic + Generic, QueryResultType), ErrorNumber::MappingInvalid, "GCTM");
    mappingRow("cachable neither 0 nor 1", mapping(QString(Generic).replace("'0'", "'yes'"), QueryResultType),
               ErrorNumber::MappingInvalid, "cachable");
    mappingRow("type without name", mapping(Generic, "<type targetNamespace='urn:s' uses='GCTM'/>"),
               ErrorNumber::MappingInvalid, "name");
    mappingRow("another service", mapping(Generic, QueryResultType, "Other"), ErrorNumber::MappingInvalid, Service);
    mappingRow("wrong root", "<mapping/>", ErrorNumber::MappingInvalid, "servicemapping");
    mappingRow("not XML", "<servicemapping><service", ErrorNumber::MappingInvalid, "rad");
    mappingRow("DOCTYPE in the mapping", "<!DOCTYPE servicemapping [<!ENTITY x 'y'>]>" + mapping(Generic, QueryResultType),
               ErrorNumber::MappingInvalid, "DOCTYPE");
}

void TestDocuments::refusals()
{
    QFETCH(QByteArray, wsdl);
    QFETCH(QString, mapping);
    QFETCH(int, number);
    QFETCH(QString, descriptionPart);
    try {
        if (wsdl.isEmpty())
            soap::MappingDocument::parse(mapping, Service);
        else
            readWsdl(wsdl);
        QFAIL("the document was accepted");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.description().contains(descriptionPart), qPrintable(error.description()));
        QVERIFY2(!mapping.isEmpty() || error.description().contains(Where), qPrintable(error.description()));
    }
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
