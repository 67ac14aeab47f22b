#pragma once

#include "domnode.h"

#include <QString>

#include <memory>

namespace soap {

class XmlElement;

// A DomNode over an element of an XmlElement tree (its name is the local name), or over one of
// its attributes. The node keeps the whole tree alive for as long as anyone holds it. The tree
// never changes, so the attribute map is made once: the factory reads it for every record.
class XmlDomNode : public DomNode
{
public:
    explicit XmlDomNode(std::shared_ptr<const XmlElement> element) : m_element(std::move(element)) {}
    XmlDomNode(QString attributeName, QString attributeValue)
        : m_name(std::move(attributeName)), m_value(std::move(attributeValue))
    {
    }

    QString nodeName() const override;
    QString nodeValue() const override;
    std::shared_ptr<DomNamedNodeMap> attributes() const override;

private:
    std::shared_ptr<const XmlElement> m_element; // null for an attribute
    mutable std::shared_ptr<DomNamedNodeMap> m_attributes;
    QString m_name;
    QString m_value;
};

} // namespace soap
