#pragma once

#include "domnode.h"

#include <QString>

#include <memory>

namespace soap {

class XmlElement;

// A DomNode over an element of an XmlElement tree (its name is the local name; its value is
// empty). The node keeps the whole tree alive for as long as anyone holds it. The tree never
// changes, so the attribute map is made once: the factory reads it for every record.
class XmlDomNode : public DomNode
{
public:
    explicit XmlDomNode(std::shared_ptr<const XmlElement> element) : m_element(std::move(element)) {}

    QString nodeName() const override;
    QString nodeValue() const override;
    std::shared_ptr<DomNamedNodeMap> attributes() const override;

private:
    std::shared_ptr<const XmlElement> m_element; // null: a node of nothing, with no name or attributes
    mutable std::shared_ptr<DomNamedNodeMap> m_attributes;
};

} // namespace soap
