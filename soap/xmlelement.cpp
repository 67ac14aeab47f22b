#include "xmlelement.h"

#include "errornumbers.h"
#include "raisederror.h"

#include <QXmlStreamReader>

namespace soap {

namespace {

constexpr int MaxDepth = 256;

RaisedError xmlError(std::int32_t number, const QString &where, const QXmlStreamReader &reader,
                     const QString &what)
{
    return RaisedError(number, QStringLiteral("SoapClient"),
                       QStringLiteral("%1: %2 på rad %3, kolumn %4")
                           .arg(where, what)
                           .arg(reader.lineNumber())
                           .arg(reader.columnNumber()));
}

} // namespace

std::unique_ptr<XmlElement> XmlElement::parse(const QByteArray &document, const QString &where)
{
    QXmlStreamReader reader(document);
    std::unique_ptr<XmlElement> root;
    std::vector<XmlElement *> open;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            throw xmlError(ErrorNumber::DoctypeRefused, where, reader,
                           QStringLiteral("dokumenttypdeklarationer (DOCTYPE) tas inte emot"));
        case QXmlStreamReader::StartElement: {
            if (int(open.size()) >= MaxDepth)
                throw xmlError(ErrorNumber::NestingTooDeep, where, reader,
                               QStringLiteral("elementen är nästlade för djupt"));
            auto element = std::make_unique<XmlElement>();
            element->m_name = {reader.namespaceUri().toString(), reader.name().toString()};
            XmlElement *parent = open.empty() ? nullptr : open.back();
            if (parent)
                element->m_prefixes = parent->m_prefixes;
            for (const QXmlStreamNamespaceDeclaration &declaration : reader.namespaceDeclarations())
                element->m_prefixes.insert(declaration.prefix().toString(),
                                           declaration.namespaceUri().toString());
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                const QString ns = attribute.namespaceUri().toString();
                const QString key = ns.isEmpty() ? attribute.name().toString()
                                                 : QLatin1Char('{') + ns + QLatin1Char('}')
                                                       + attribute.name().toString();
                element->m_attributes.insert(key, attribute.value().toString());
            }
            element->m_parent = parent;
            XmlElement *raw = element.get();
            if (parent)
                parent->m_children.push_back(std::move(element));
            else
                root = std::move(element);
            open.push_back(raw);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        throw xmlError(ErrorNumber::MalformedXml, where, reader,
                       QStringLiteral("felaktig XML (%1)").arg(reader.errorString()));
    if (!root)
        throw RaisedError(ErrorNumber::MalformedXml, QStringLiteral("SoapClient"),
                          QStringLiteral("%1: dokumentet är tomt").arg(where));
    return root;
}

QString XmlElement::attribute(const QString &namespaceUri, const QString &localName) const
{
    return m_attributes.value(QLatin1Char('{') + namespaceUri + QLatin1Char('}') + localName);
}

QualifiedName XmlElement::resolve(const QString &prefixedName) const
{
    const qsizetype colon = prefixedName.indexOf(QLatin1Char(':'));
    const QString prefix = colon < 0 ? QString() : prefixedName.left(colon);
    const QString local = colon < 0 ? prefixedName : prefixedName.mid(colon + 1);
    return {m_prefixes.value(prefix), local.trimmed()};
}

std::vector<const XmlElement *> XmlElement::children(const QString &namespaceUri,
                                                     const QString &localName) const
{
    std::vector<const XmlElement *> found;
    for (const auto &child : m_children) {
        if (child->is(namespaceUri, localName))
            found.push_back(child.get());
    }
    return found;
}

const XmlElement *XmlElement::firstChild(const QString &namespaceUri, const QString &localName) const
{
    for (const auto &child : m_children) {
        if (child->is(namespaceUri, localName))
            return child.get();
    }
    return nullptr;
}

} // namespace soap
