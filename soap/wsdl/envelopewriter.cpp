#include "envelopewriter.h"

#include "xmlnamespaces.h"

#include <algorithm>

namespace soap {

namespace {

// Written by hand rather than with QXmlStreamWriter: Qt 6.4 writes namespace URIs unescaped and
// drops a CR from text without a word. Markup characters become references, and so does every
// character a reader would otherwise normalise: CR everywhere, tab and LF in attribute values.
void appendEscaped(QByteArray &out, const QString &text, bool attribute)
{
    const QByteArray utf8 = text.toUtf8();
    qsizetype plain = 0; // start of the run not yet copied
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char *reference = nullptr;
        switch (utf8.at(i)) {
        case '&': reference = "&amp;"; break;
        case '<': reference = "&lt;"; break;
        case '>': reference = "&gt;"; break;
        case '\r': reference = "&#13;"; break;
        case '"': reference = attribute ? "&quot;" : nullptr; break;
        case '\n': reference = attribute ? "&#10;" : nullptr; break;
        case '\t': reference = attribute ? "&#9;" : nullptr; break;
        default: break;
        }
        if (reference) {
            out.append(utf8.constData() + plain, i - plain).append(reference);
            plain = i + 1;
        }
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
}

void appendAttribute(QByteArray &out, const char *name, QLatin1String ours)
{
    out.append(' ').append(name).append("=\"").append(ours.data(), ours.size()).append('"');
}

void appendAttribute(QByteArray &out, const char *name, const QString &value)
{
    out.append(' ').append(name).append("=\"");
    appendEscaped(out, value, true);
    out.append('"');
}

} // namespace

QByteArray EnvelopeWriter::write(const OperationInfo &operation, const std::vector<QString> &arguments)
{
    QByteArray out;
    out.reserve(640);
    out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope");
    appendAttribute(out, "xmlns:SOAP-ENV", xmlns::SoapEnvelope);
    if (operation.encodedUse) {
        appendAttribute(out, "xmlns:xsi", xmlns::SchemaInstance);
        appendAttribute(out, "xmlns:xsd", xmlns::Schema);
        appendAttribute(out, "xmlns:SOAP-ENC", xmlns::SoapEncoding);
    }
    out.append("><SOAP-ENV:Body");
    const QualifiedName &wrapper = operation.requestWrapper;
    if (wrapper.isEmpty())
        return out.append("/></SOAP-ENV:Envelope>\n");
    if (!wrapper.namespaceUri.isEmpty())
        appendAttribute(out, "xmlns:m", wrapper.namespaceUri);
    const QByteArray wrapperName = (wrapper.namespaceUri.isEmpty() ? QByteArray() : QByteArray("m:"))
        + wrapper.localName.toUtf8();
    out.append("><").append(wrapperName);
    if (operation.encodedUse)
        appendAttribute(out, "SOAP-ENV:encodingStyle", operation.encodingStyle);
    const qsizetype count = std::min(qsizetype(arguments.size()), operation.parameters.size());
    out.append(count == 0 ? "/>" : ">");
    for (qsizetype i = 0; i < count; ++i) {
        const QualifiedName &parameter = operation.parameters[i];
        QByteArray name = parameter.localName.toUtf8();
        const bool ownNamespace = !parameter.namespaceUri.isEmpty() && parameter.namespaceUri != wrapper.namespaceUri;
        if (!parameter.namespaceUri.isEmpty())
            name.prepend(ownNamespace ? "n:" : "m:");
        out.append('<').append(name);
        if (ownNamespace)
            appendAttribute(out, "xmlns:n", parameter.namespaceUri);
        if (operation.encodedUse)
            out.append(" xsi:type=\"xsd:string\"");
        out.append('>');
        appendEscaped(out, arguments[std::size_t(i)], false);
        out.append("</").append(name).append('>');
    }
    if (count > 0)
        out.append("</").append(wrapperName).append('>');
    return out.append("</SOAP-ENV:Body></SOAP-ENV:Envelope>\n");
}

} // namespace soap
