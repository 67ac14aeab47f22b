#include "wsdlwriter.h"

#include "ksv_config.h"
#include "operation.h"
#include "resultrow.h"
#include "soapnamespaces.h"

#include <QXmlStreamWriter>

namespace {

const QString ServiceNs = QStringLiteral(KSV_SERVICE_NAMESPACE);
const QString SchemaNs = QStringLiteral(KSV_SCHEMA_NAMESPACE);
const QString BindingName = QStringLiteral("ElectionResultsBinding");
const QString PortTypeName = QStringLiteral("ElectionResultsPortType");

void writeSchema(QXmlStreamWriter &w)
{
    const QString &xsd = SoapNamespaces::Xsd;
    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("types"));
    w.writeStartElement(xsd, QStringLiteral("schema"));
    w.writeAttribute(QStringLiteral("targetNamespace"), SchemaNs);
    w.writeEmptyElement(xsd, QStringLiteral("import"));
    w.writeAttribute(QStringLiteral("namespace"), SoapNamespaces::Encoding);
    w.writeEmptyElement(xsd, QStringLiteral("import"));
    w.writeAttribute(QStringLiteral("namespace"), SoapNamespaces::Wsdl);

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
    w.writeAttribute(SoapNamespaces::Wsdl, QStringLiteral("arrayType"), QStringLiteral("typens:QueryResult[]"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();

    w.writeEndElement();    // schema
    w.writeEndElement();    // types
}

void writeMessages(QXmlStreamWriter &w, const Operation &op)
{
    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("message"));
    w.writeAttribute(QStringLiteral("name"), op.name);
    if (op.takesCounty) {
        w.writeEmptyElement(SoapNamespaces::Wsdl, QStringLiteral("part"));
        w.writeAttribute(QStringLiteral("name"), Operation::countyPart());
        w.writeAttribute(QStringLiteral("type"), QStringLiteral("xsd:string"));
    }
    w.writeEndElement();
    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("message"));
    w.writeAttribute(QStringLiteral("name"), op.name + QStringLiteral("Response"));
    w.writeEmptyElement(SoapNamespaces::Wsdl, QStringLiteral("part"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("return"));
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("typens:ArrayOfQueryResult"));
    w.writeEndElement();
}

void writeEncodedBody(QXmlStreamWriter &w, const QString &direction)
{
    w.writeStartElement(SoapNamespaces::Wsdl, direction);
    w.writeEmptyElement(SoapNamespaces::WsdlSoap, QStringLiteral("body"));
    w.writeAttribute(QStringLiteral("use"), QStringLiteral("encoded"));
    w.writeAttribute(QStringLiteral("namespace"), ServiceNs);
    w.writeAttribute(QStringLiteral("encodingStyle"), SoapNamespaces::Encoding);
    w.writeEndElement();
}

} // namespace

QByteArray WsdlWriter::write(const QString &endpointUrl)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeNamespace(SoapNamespaces::Wsdl, QStringLiteral("wsdl"));
    w.writeNamespace(SoapNamespaces::WsdlSoap, QStringLiteral("soap"));
    w.writeNamespace(SoapNamespaces::Encoding, QStringLiteral("soapenc"));
    w.writeNamespace(SoapNamespaces::Xsd, QStringLiteral("xsd"));
    w.writeNamespace(ServiceNs, QStringLiteral("tns"));
    w.writeNamespace(SchemaNs, QStringLiteral("typens"));
    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("definitions"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral(KSV_SERVICE_NAME));
    w.writeAttribute(QStringLiteral("targetNamespace"), ServiceNs);

    writeSchema(w);
    for (const Operation &op : Operation::all())
        writeMessages(w, op);

    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("portType"));
    w.writeAttribute(QStringLiteral("name"), PortTypeName);
    for (const Operation &op : Operation::all()) {
        w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("operation"));
        w.writeAttribute(QStringLiteral("name"), op.name);
        if (op.takesCounty)
            w.writeAttribute(QStringLiteral("parameterOrder"), Operation::countyPart());
        w.writeEmptyElement(SoapNamespaces::Wsdl, QStringLiteral("input"));
        w.writeAttribute(QStringLiteral("message"), QStringLiteral("tns:") + op.name);
        w.writeEmptyElement(SoapNamespaces::Wsdl, QStringLiteral("output"));
        w.writeAttribute(QStringLiteral("message"), QStringLiteral("tns:") + op.name + QStringLiteral("Response"));
        w.writeEndElement();
    }
    w.writeEndElement();

    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("binding"));
    w.writeAttribute(QStringLiteral("name"), BindingName);
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("tns:") + PortTypeName);
    w.writeEmptyElement(SoapNamespaces::WsdlSoap, QStringLiteral("binding"));
    w.writeAttribute(QStringLiteral("style"), QStringLiteral("rpc"));
    w.writeAttribute(QStringLiteral("transport"), SoapNamespaces::HttpTransport);
    for (const Operation &op : Operation::all()) {
        w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("operation"));
        w.writeAttribute(QStringLiteral("name"), op.name);
        w.writeEmptyElement(SoapNamespaces::WsdlSoap, QStringLiteral("operation"));
        w.writeAttribute(QStringLiteral("soapAction"), op.soapAction());
        w.writeAttribute(QStringLiteral("style"), QStringLiteral("rpc"));
        writeEncodedBody(w, QStringLiteral("input"));
        writeEncodedBody(w, QStringLiteral("output"));
        w.writeEndElement();
    }
    w.writeEndElement();

    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("service"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral(KSV_SERVICE_NAME));
    w.writeStartElement(SoapNamespaces::Wsdl, QStringLiteral("port"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral(KSV_PORT_NAME));
    w.writeAttribute(QStringLiteral("binding"), QStringLiteral("tns:") + BindingName);
    w.writeEmptyElement(SoapNamespaces::WsdlSoap, QStringLiteral("address"));
    w.writeAttribute(QStringLiteral("location"), endpointUrl);
    w.writeEndElement();
    w.writeEndElement();

    w.writeEndElement();    // definitions
    w.writeEndDocument();
    return out;
}
