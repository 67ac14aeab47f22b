#include "soaprequestreader.h"

#include "soapfault.h"
#include "soapnamespaces.h"

#include <QXmlStreamReader>

namespace {

class Reader
{
public:
    explicit Reader(const QByteArray &body) : m_xml(body) {}
    SoapRequest run();

private:
    // Next start or end element; text, comments and processing instructions in between are
    // skipped. A DOCTYPE is refused before anything in it is looked at.
    QXmlStreamReader::TokenType next();
    [[noreturn]] void failXml();
    void readEnvelope();
    void readHeader();
    void readBody();
    void readCall();
    SoapRequest::Argument readArgument();
    void skipElement();

    QXmlStreamReader m_xml;
    int m_depth = 0;
    bool m_haveCall = false;
    SoapRequest m_request;
};

QXmlStreamReader::TokenType Reader::next()
{
    for (;;) {
        const auto token = m_xml.readNext();
        switch (token) {
        case QXmlStreamReader::DTD:
            throw SoapFault::client(QStringLiteral("DOCTYPE är inte tillåtet i en SOAP-begäran"));
        case QXmlStreamReader::StartElement:
            if (++m_depth > SoapRequestReader::maxDepth)
                throw SoapFault::client(QStringLiteral("Begäran är för djupt nästlad (över %1 nivåer)")
                                            .arg(SoapRequestReader::maxDepth));
            return token;
        case QXmlStreamReader::EndElement:
            --m_depth;
            return token;
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Invalid:
            failXml();
        default:
            break;
        }
    }
}

void Reader::failXml()
{
    if (m_xml.hasError()) {
        if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && m_xml.characterOffset() == 0)
            throw SoapFault::client(QStringLiteral("Begäran är tom"));
        throw SoapFault::client(QStringLiteral("Felaktig XML på rad %1, kolumn %2: %3")
                                    .arg(m_xml.lineNumber())
                                    .arg(m_xml.columnNumber())
                                    .arg(m_xml.errorString()));
    }
    throw SoapFault::client(QStringLiteral("Begäran tog slut för tidigt"));
}

SoapRequest Reader::run()
{
    if (next() != QXmlStreamReader::StartElement)
        failXml();
    readEnvelope();
    // Whatever follows the Envelope must still be well-formed and free of a DOCTYPE.
    while (!m_xml.atEnd()) {
        const auto token = m_xml.readNext();
        if (token == QXmlStreamReader::DTD)
            throw SoapFault::client(QStringLiteral("DOCTYPE är inte tillåtet i en SOAP-begäran"));
        if (token == QXmlStreamReader::StartElement)
            throw SoapFault::client(QStringLiteral("Innehåll efter SOAP-kuvertet"));
    }
    if (m_xml.hasError())
        failXml();
    return std::move(m_request);
}

void Reader::readEnvelope()
{
    if (m_xml.name() != u"Envelope" || m_xml.namespaceUri() != SoapNamespaces::envelope) {
        if (m_xml.name() == u"Envelope" && m_xml.namespaceUri() == SoapNamespaces::envelope12)
            throw SoapFault(QStringLiteral("VersionMismatch"),
                            QStringLiteral("Endast SOAP 1.1 stöds (kuvertets namnrymd %1)")
                                .arg(SoapNamespaces::envelope));
        throw SoapFault::client(QStringLiteral("Inte ett SOAP-meddelande: rotelementet är '%1'")
                                    .arg(m_xml.qualifiedName()));
    }
    bool bodySeen = false;
    while (next() == QXmlStreamReader::StartElement) {
        const bool inEnvelopeNs = m_xml.namespaceUri() == SoapNamespaces::envelope;
        if (inEnvelopeNs && m_xml.name() == u"Header" && !bodySeen) {
            readHeader();
        } else if (inEnvelopeNs && m_xml.name() == u"Body" && !bodySeen) {
            bodySeen = true;
            readBody();
        } else {
            throw SoapFault::client(QStringLiteral("Oväntat element '%1' i SOAP-kuvertet")
                                        .arg(m_xml.qualifiedName()));
        }
    }
    if (!bodySeen)
        throw SoapFault::client(QStringLiteral("SOAP-kuvertet saknar Body"));
}

void Reader::readHeader()
{
    while (next() == QXmlStreamReader::StartElement) {
        const auto mustUnderstand = m_xml.attributes().value(SoapNamespaces::envelope, QStringLiteral("mustUnderstand"));
        if (mustUnderstand == u"1" || mustUnderstand == u"true")
            throw SoapFault(QStringLiteral("MustUnderstand"),
                            QStringLiteral("Huvudelementet '%1' förstås inte").arg(m_xml.qualifiedName()));
        skipElement();
    }
}

void Reader::readBody()
{
    while (next() == QXmlStreamReader::StartElement) {
        if (m_haveCall) {
            skipElement();    // independent elements (multiRef) after the call
            continue;
        }
        m_haveCall = true;
        readCall();
    }
    if (!m_haveCall)
        throw SoapFault::client(QStringLiteral("SOAP-kroppen innehåller inget anrop"));
}

void Reader::readCall()
{
    m_request.operationNamespace = m_xml.namespaceUri().toString();
    m_request.operation = m_xml.name().toString();
    while (next() == QXmlStreamReader::StartElement)
        m_request.arguments.push_back(readArgument());
}

SoapRequest::Argument Reader::readArgument()
{
    SoapRequest::Argument argument;
    argument.name = m_xml.name().toString();
    const auto attributes = m_xml.attributes();
    const auto nil = attributes.value(SoapNamespaces::xsi, QStringLiteral("nil"));
    if (attributes.hasAttribute(QStringLiteral("href")))
        throw SoapFault::client(QStringLiteral("Argumentet '%1' är en referens; skicka värdet direkt")
                                    .arg(argument.name));
    QString text;
    for (;;) {
        const auto token = m_xml.readNext();
        if (token == QXmlStreamReader::Characters || token == QXmlStreamReader::EntityReference) {
            text += m_xml.text();
        } else if (token == QXmlStreamReader::EndElement) {
            --m_depth;
            break;
        } else if (token == QXmlStreamReader::StartElement) {
            throw SoapFault::client(QStringLiteral("Argumentet '%1' ska vara en sträng, inte en struktur")
                                        .arg(argument.name));
        } else if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndDocument) {
            failXml();
        } else if (token == QXmlStreamReader::DTD) {
            throw SoapFault::client(QStringLiteral("DOCTYPE är inte tillåtet i en SOAP-begäran"));
        }
    }
    if (!(nil == u"true" || nil == u"1"))
        argument.value = text;
    return argument;
}

void Reader::skipElement()
{
    const int depth = m_depth;
    while (m_depth >= depth)
        next();
}

} // namespace

SoapRequest SoapRequestReader::read(const QByteArray &body)
{
    return Reader(body).run();
}
