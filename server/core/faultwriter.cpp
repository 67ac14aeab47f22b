#include "faultwriter.h"

#include "soapnamespaces.h"

#include <QXmlStreamWriter>

namespace {

// The text may quote what a client sent; characters XML 1.0 cannot carry must not break the answer.
QString xmlSafe(QString text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
            c = QChar(0xFFFD);
    }
    return text;
}

} // namespace

QByteArray FaultWriter::write(const SoapFault &fault)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeNamespace(SoapNamespaces::Envelope, QStringLiteral("SOAP-ENV"));
    w.writeStartElement(SoapNamespaces::Envelope, QStringLiteral("Envelope"));
    w.writeStartElement(SoapNamespaces::Envelope, QStringLiteral("Body"));
    w.writeStartElement(SoapNamespaces::Envelope, QStringLiteral("Fault"));
    w.writeTextElement(QStringLiteral("faultcode"), QStringLiteral("SOAP-ENV:") + fault.code());
    w.writeTextElement(QStringLiteral("faultstring"), xmlSafe(fault.text()));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}
