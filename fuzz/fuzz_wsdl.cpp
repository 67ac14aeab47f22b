// The WSDL reader, on a document as the server sends it. Whatever it accepts, the requests the
// client writes from it must say exactly what the operation means, whatever the WSDL's texts
// hold: well-formed, with the elements, namespaces, attributes and text meant and nothing else,
// and an endpoint and SOAPAction that stay within their places in the HTTP head.

#include "envelopewriter.h"
#include "ksv_config.h"
#include "raisederror.h"
#include "wsdlreader.h"
#include "xmlnamespaces.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace soap;

const QString Argument = QString::fromUtf8("01 <&>\"'\r\n\t]]> \xc3\xa4\xe2\x82\xac\xf0\x9d\x84\x9e");

void check(bool condition)
{
    if (!condition)
        std::abort();
}

QString expanded(const QualifiedName &name)
{
    return QLatin1Char('{') + name.namespaceUri + QLatin1Char('}') + name.localName;
}

// The request as a reader sees it: "<{namespace}name {namespace}attribute=value..." for a start,
// ">" for an end, "text:..." for the text between. A QName value (xsi:type) is given resolved.
QStringList readBack(const QByteArray &request)
{
    QXmlStreamReader reader(request);
    QStringList seen;
    std::vector<QXmlStreamNamespaceDeclarations> scopes;
    const auto resolved = [&](const QString &value) {
        const QString prefix = value.section(QLatin1Char(':'), 0, 0);
        for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
            for (const QXmlStreamNamespaceDeclaration &declaration : *scope) {
                if (declaration.prefix() == prefix)
                    return expanded({declaration.namespaceUri().toString(), value.section(QLatin1Char(':'), 1)});
            }
        }
        return QStringLiteral("unbound ") + value;
    };
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            scopes.push_back(reader.namespaceDeclarations());
            QString start = QLatin1Char('<') + expanded({reader.namespaceUri().toString(), reader.name().toString()});
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                const bool qname = attribute.qualifiedName() == QLatin1String("xsi:type");
                start += QLatin1Char(' ') + expanded({attribute.namespaceUri().toString(), attribute.name().toString()})
                    + QLatin1Char('=') + (qname ? resolved(attribute.value().toString()) : attribute.value().toString());
            }
            seen << start;
            break;
        }
        case QXmlStreamReader::EndElement:
            scopes.pop_back();
            seen << QStringLiteral(">");
            break;
        case QXmlStreamReader::Characters:
            if (scopes.empty())
                break;
            if (seen.last().startsWith(QLatin1String("text:")))
                seen.last() += reader.text().toString();
            else
                seen << QStringLiteral("text:") + reader.text().toString();
            break;
        default:
            break;
        }
    }
    check(!reader.hasError());
    return seen;
}

QStringList meant(const OperationInfo &operation, const std::vector<QString> &arguments)
{
    const QString envelope = QString(xmlns::SoapEnvelope);
    QStringList meant{QStringLiteral("<{%1}Envelope").arg(envelope), QStringLiteral("<{%1}Body").arg(envelope)};
    if (!operation.requestWrapper.isEmpty()) {
        meant << QLatin1Char('<') + expanded(operation.requestWrapper);
        if (operation.encodedUse)
            meant.last() += QStringLiteral(" {%1}encodingStyle=").arg(envelope) + operation.encodingStyle;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            meant << QLatin1Char('<') + expanded(operation.parameters.at(qsizetype(i)));
            if (operation.encodedUse)
                meant.last() += QStringLiteral(" {%1}type={%2}string").arg(QString(xmlns::SchemaInstance), QString(xmlns::Schema));
            meant << QStringLiteral("text:") + arguments[i] << QStringLiteral(">");
        }
        meant << QStringLiteral(">");
    }
    return meant << QStringLiteral(">") << QStringLiteral(">");
}

// Visible ASCII only: nothing that could end the line it stands on or split it.
bool isHeadText(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    ServiceDescription description;
    try {
        description = WsdlReader(QStringLiteral(KSV_SERVICE_NAME), QStringLiteral(KSV_PORT_NAME),
                                 QStringLiteral(KSV_SERVICE_NAMESPACE))
                          .read(document, QStringLiteral("fuzz"));
    } catch (const RaisedError &) {
        return 0;
    }
    // As the transport writes the request line and Host.
    check(isHeadText(description.endpoint.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment)));
    check(isHeadText(description.endpoint.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1()));
    for (const OperationInfo &operation : std::as_const(description.operations)) {
        // One quoted string in the SOAPAction field, read back as it was meant.
        for (const char c : operation.soapAction.toUtf8())
            check(uchar(c) >= 0x20 && c != 0x7F && c != '"' && c != '\\');
        check(QString::fromUtf8(operation.soapAction.toUtf8()) == operation.soapAction);
        std::vector<QString> arguments;
        for (qsizetype i = 0; i < std::min<qsizetype>(operation.parameters.size(), 3); ++i)
            arguments.push_back(Argument + QString::number(i));
        check(readBack(EnvelopeWriter::write(operation, arguments)) == meant(operation, arguments));
    }
    return 0;
}
