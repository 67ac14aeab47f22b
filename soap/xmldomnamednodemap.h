#pragma once

#include "domnode.h"

#include <QDomNamedNodeMap>

namespace soap {

// The attributes of an XmlDomNode, by exact name.
class XmlDomNamedNodeMap : public DomNamedNodeMap
{
public:
    explicit XmlDomNamedNodeMap(QDomNamedNodeMap map) : m_map(std::move(map)) {}

    std::shared_ptr<DomNode> getNamedItem(const QString &name) const override;

private:
    QDomNamedNodeMap m_map;
};

} // namespace soap
