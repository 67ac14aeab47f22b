#include "xmldomnode.h"

#include "xmldomnamednodemap.h"
#include "xmlelement.h"

namespace soap {

QString XmlDomNode::nodeName() const
{
    return m_element ? m_element->name().localName : QString();
}

QString XmlDomNode::nodeValue() const
{
    return {};
}

std::shared_ptr<DomNamedNodeMap> XmlDomNode::attributes() const
{
    if (!m_attributes)
        m_attributes = std::make_shared<XmlDomNamedNodeMap>(m_element);
    return m_attributes;
}

} // namespace soap
