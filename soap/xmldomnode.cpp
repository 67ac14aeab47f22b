#include "xmldomnode.h"

#include "xmldomnamednodemap.h"

namespace soap {

QString XmlDomNode::nodeName() const
{
    return m_node.nodeName();
}

QString XmlDomNode::nodeValue() const
{
    return m_node.nodeValue();
}

std::shared_ptr<DomNamedNodeMap> XmlDomNode::attributes() const
{
    return std::make_shared<XmlDomNamedNodeMap>(m_node.attributes());
}

} // namespace soap
