#include "envelopewriter.h"

#include "xmlnamespaces.h"

#include <QXmlStreamWriter>

namespace soap {

QByteArray EnvelopeWriter::write(const OperationInfo &operation, const std::vector<QString> &arguments)
{
    QByteArray envelope;
    QXmlStreamWriter writer(&envelope);
    writer.writeStartDocument();
    writer.writeNamespace(xmlns::SoapEnvelope, QStringLiteral("SOAP-ENV"));
    if (operation.encodedUse) {
        writer.writeNamespace(xmlns::SchemaInstance, QStringLiteral("xsi"));
        writer.writeNamespace(xmlns::Schema, QStringLiteral("xsd"));
        writer.writeNamespace(xmlns::SoapEncoding, QStringLiteral("SOAP-ENC"));
    }
    writer.writeStartElement(xmlns::SoapEnvelope, QStringLiteral("Envelope"));
    writer.writeStartElement(xmlns::SoapEnvelope, QStringLiteral("Body"));
    if (!operation.requestWrapper.isEmpty()) {
        if (!operation.requestWrapper.namespaceUri.isEmpty())
            writer.writeNamespace(operation.requestWrapper.namespaceUri, QStringLiteral("m"));
        writer.writeStartElement(operation.requestWrapper.namespaceUri,
                                 operation.requestWrapper.localName);
        if (operation.encodedUse)
            writer.writeAttribute(xmlns::SoapEnvelope, QStringLiteral("encodingStyle"),
                                  operation.encodingStyle);
        for (qsizetype i = 0; i < qsizetype(arguments.size()) && i < operation.parameters.size(); ++i) {
            const QualifiedName &parameter = operation.parameters[i];
            writer.writeStartElement(parameter.namespaceUri, parameter.localName);
            if (operation.encodedUse)
                writer.writeAttribute(xmlns::SchemaInstance, QStringLiteral("type"),
                                      QStringLiteral("xsd:string"));
            writer.writeCharacters(arguments[std::size_t(i)]);
            writer.writeEndElement();
        }
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return envelope;
}

} // namespace soap
