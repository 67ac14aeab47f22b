#include "xmlelement.h"

namespace soap {

const QString *XmlElement::find(const Pairs &pairs, const QString &key)
{
    for (const auto &pair : pairs) {
        if (pair.first == key)
            return &pair.second;
    }
    return nullptr;
}

QString XmlElement::attribute(const QString &localName) const
{
    const QString *value = find(m_attributes, localName);
    return value ? *value : QString();
}

QString XmlElement::attribute(const QString &namespaceUri, const QString &localName) const
{
    return attribute(QLatin1Char('{') + namespaceUri + QLatin1Char('}') + localName);
}

bool XmlElement::hasAttribute(const QString &namespaceUri, const QString &localName) const
{
    return hasAttribute(QLatin1Char('{') + namespaceUri + QLatin1Char('}') + localName);
}

QString XmlElement::namespaceOf(const QString &prefix) const
{
    // Declarations are kept where they are made; the nesting limit bounds the walk.
    for (const XmlElement *element = this; element; element = element->m_parent) {
        if (const QString *found = find(element->m_declared, prefix))
            return *found;
    }
    if (prefix == QLatin1String("xml"))
        return QStringLiteral("http://www.w3.org/XML/1998/namespace");
    return {};
}

QualifiedName XmlElement::resolve(const QString &prefixedName) const
{
    const qsizetype colon = prefixedName.indexOf(QLatin1Char(':'));
    const QString prefix = colon < 0 ? QString() : prefixedName.left(colon);
    const QString local = colon < 0 ? prefixedName : prefixedName.mid(colon + 1);
    return {namespaceOf(prefix.trimmed()), local.trimmed()};
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
