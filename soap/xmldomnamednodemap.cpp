#include "xmldomnamednodemap.h"

#include "xmldomnode.h"

namespace soap {

std::shared_ptr<DomNode> XmlDomNamedNodeMap::getNamedItem(const QString &name) const
{
    const QDomNode item = m_map.namedItem(name);
    if (item.isNull())
        return nullptr;
    return std::make_shared<XmlDomNode>(item);
}

} // namespace soap
