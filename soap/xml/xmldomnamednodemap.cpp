#include "xmldomnamednodemap.h"

#include "xmldomattribute.h"
#include "xmlelement.h"

namespace soap {

std::shared_ptr<DomNode> XmlDomNamedNodeMap::getNamedItem(const QString &name) const
{
    if (const auto known = m_found.constFind(name); known != m_found.constEnd())
        return *known;
    std::shared_ptr<DomNode> node = find(name);
    // Only what exists is kept: at most one entry per attribute of the element.
    if (node)
        m_found.insert(name, node);
    return node;
}

std::shared_ptr<DomNode> XmlDomNamedNodeMap::find(const QString &name) const
{
    if (!m_element)
        return nullptr;
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        if (!m_element->hasAttribute(name))
            return nullptr;
        return std::make_shared<XmlDomAttribute>(name, m_element->attribute(name));
    }
    const QString namespaceUri = m_element->namespaceOf(name.left(colon));
    const QString local = name.mid(colon + 1);
    if (namespaceUri.isEmpty() || !m_element->hasAttribute(namespaceUri, local))
        return nullptr;
    return std::make_shared<XmlDomAttribute>(name, m_element->attribute(namespaceUri, local));
}

} // namespace soap
