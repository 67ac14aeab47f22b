#pragma once

#include "domnode.h"

#include <QHash>

#include <memory>

namespace soap {

class XmlElement;

// The attributes of an XmlDomNode, by exact name as written ("name", or "prefix:name" resolved
// against the element's namespaces), as XmlDomAttribute nodes. Nodes found are kept, so that
// asking again allocates nothing.
class XmlDomNamedNodeMap : public DomNamedNodeMap
{
public:
    explicit XmlDomNamedNodeMap(std::shared_ptr<const XmlElement> element) : m_element(std::move(element)) {}

    std::shared_ptr<DomNode> getNamedItem(const QString &name) const override;

private:
    std::shared_ptr<DomNode> find(const QString &name) const;

    std::shared_ptr<const XmlElement> m_element;
    mutable QHash<QString, std::shared_ptr<DomNode>> m_found;
};

} // namespace soap
