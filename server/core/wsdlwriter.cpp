#include "wsdlwriter.h"

#include "ksv_config.h"
#include "operation.h"
#include "resultrow.h"
#include "soapnamespaces.h"

#include <QXmlStreamWriter>

namespace {

const QString serviceNs = QStringLiteral(KSV_SERVICE_NAMESPACE);
const QString schemaNs = QStringLiteral(KSV_SCHEMA_NAMESPACE);
const QString bindingName = QStringLiteral("ElectionResultsBinding");
const QString portTypeName = QStringLiteral("ElectionResultsPortType");

void writeSchema(QXmlStreamWriter &w)
{
    const QString &xsd = SoapNamespaces::xsd;
    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("types"));
    w.writeStartElement(xsd, QStringLiteral("schema"));
    w.writeAttribute(QStringLiteral("targetNamespace"), schemaNs);
    w.writeEmptyElement(xsd, QStringLiteral("import"));
    w.writeAttribute(QStringLiteral("namespace"), SoapNamespaces::encoding);
    w.writeEmptyElement(xsd, QStringLiteral("import"));
    w.writeAttribute(QStringLiteral("namespace"), SoapNamespaces::wsdl);

    w.writeStartElement(xsd, QStringLiteral("complexType"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("QueryResult"));
    w.writeStartElement(xsd, QStringLiteral("sequence"));
    for (const auto &member : ResultRow::memberNames()) {
        w.writeEmptyElement(xsd, QStringLiteral("element"));
        w.writeAttribute(QStringLiteral("name"), member);
        w.writeAttribute(QStringLiteral("type"), QStringLiteral("xsd:string"));
    }
    w.writeEndElement();
    w.writeEndElement();

    w.writeStartElement(xsd, QStringLiteral("complexType"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("ArrayOfQueryResult"));
    w.writeStartElement(xsd, QStringLiteral("complexContent"));
    w.writeStartElement(xsd, QStringLiteral("restriction"));
    w.writeAttribute(QStringLiteral("base"), QStringLiteral("soapenc:Array"));
    w.writeEmptyElement(xsd, QStringLiteral("attribute"));
    w.writeAttribute(QStringLiteral("ref"), QStringLiteral("soapenc:arrayType"));
    w.writeAttribute(SoapNamespaces::wsdl, QStringLiteral("arrayType"), QStringLiteral("typens:QueryResult[]"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();

    w.writeEndElement();    // schema
    w.writeEndElement();    // types
}

void writeMessages(QXmlStreamWriter &w, const Operation &op)
{
    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("message"));
    w.writeAttribute(QStringLiteral("name"), op.name);
    if (op.takesCounty) {
        w.writeEmptyElement(SoapNamespaces::wsdl, QStringLiteral("part"));
        w.writeAttribute(QStringLiteral("name"), Operation::countyPart());
        w.writeAttribute(QStringLiteral("type"), QStringLiteral("xsd:string"));
    }
    w.writeEndElement();
    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("message"));
    w.writeAttribute(QStringLiteral("name"), op.name + QStringLiteral("Response"));
    w.writeEmptyElement(SoapNamespaces::wsdl, QStringLiteral("part"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("return"));
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("typens:ArrayOfQueryResult"));
    w.writeEndElement();
}

void writeEncodedBody(QXmlStreamWriter &w, const QString &direction)
{
    w.writeStartElement(SoapNamespaces::wsdl, direction);
    w.writeEmptyElement(SoapNamespaces::wsdlSoap, QStringLiteral("body"));
    w.writeAttribute(QStringLiteral("use"), QStringLiteral("encoded"));
    w.writeAttribute(QStringLiteral("namespace"), serviceNs);
    w.writeAttribute(QStringLiteral("encodingStyle"), SoapNamespaces::encoding);
    w.writeEndElement();
}

} // namespace

QByteArray WsdlWriter::write(const QString &endpointUrl)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeNamespace(SoapNamespaces::wsdl, QStringLiteral("wsdl"));
    w.writeNamespace(SoapNamespaces::wsdlSoap, QStringLiteral("soap"));
    w.writeNamespace(SoapNamespaces::encoding, QStringLiteral("soapenc"));
    w.writeNamespace(SoapNamespaces::xsd, QStringLiteral("xsd"));
    w.writeNamespace(serviceNs, QStringLiteral("tns"));
    w.writeNamespace(schemaNs, QStringLiteral("typens"));
    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("definitions"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral(KSV_SERVICE_NAME));
    w.writeAttribute(QStringLiteral("targetNamespace"), serviceNs);

    writeSchema(w);
    for (const Operation &op : Operation::all())
        writeMessages(w, op);

    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("portType"));
    w.writeAttribute(QStringLiteral("name"), portTypeName);
    for (const Operation &op : Operation::all()) {
        w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("operation"));
        w.writeAttribute(QStringLiteral("name"), op.name);
        if (op.takesCounty)
            w.writeAttribute(QStringLiteral("parameterOrder"), Operation::countyPart());
        w.writeEmptyElement(SoapNamespaces::wsdl, QStringLiteral("input"));
        w.writeAttribute(QStringLiteral("message"), QStringLiteral("tns:") + op.name);
        w.writeEmptyElement(SoapNamespaces::wsdl, QStringLiteral("output"));
        w.writeAttribute(QStringLiteral("message"), QStringLiteral("tns:") + op.name + QStringLiteral("Response"));
        w.writeEndElement();
    }
    w.writeEndElement();

    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("binding"));
    w.writeAttribute(QStringLiteral("name"), bindingName);
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("tns:") + portTypeName);
    w.writeEmptyElement(SoapNamespaces::wsdlSoap, QStringLiteral("binding"));
    w.writeAttribute(QStringLiteral("style"), QStringLiteral("rpc"));
    w.writeAttribute(QStringLiteral("transport"), SoapNamespaces::httpTransport);
    for (const Operation &op : Operation::all()) {
        w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("operation"));
        w.writeAttribute(QStringLiteral("name"), op.name);
        w.writeEmptyElement(SoapNamespaces::wsdlSoap, QStringLiteral("operation"));
        w.writeAttribute(QStringLiteral("soapAction"), op.soapAction());
        w.writeAttribute(QStringLiteral("style"), QStringLiteral("rpc"));
        writeEncodedBody(w, QStringLiteral("input"));
        writeEncodedBody(w, QStringLiteral("output"));
        w.writeEndElement();
    }
    w.writeEndElement();

    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("service"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral(KSV_SERVICE_NAME));
    w.writeStartElement(SoapNamespaces::wsdl, QStringLiteral("port"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral(KSV_PORT_NAME));
    w.writeAttribute(QStringLiteral("binding"), QStringLiteral("tns:") + bindingName);
    w.writeEmptyElement(SoapNamespaces::wsdlSoap, QStringLiteral("address"));
    w.writeAttribute(QStringLiteral("location"), endpointUrl);
    w.writeEndElement();
    w.writeEndElement();

    w.writeEndElement();    // definitions
    w.writeEndDocument();
    return out;
}
