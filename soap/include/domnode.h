#pragma once

#include <QString>

#include <memory>

namespace soap {

class DomNamedNodeMap;

// The little of an XML DOM that an object factory needs: a node, its attributes by name, a value.
// Abstract so that a factory can be tested against a node that fails.
class DomNode
{
public:
    virtual ~DomNode() = default;

    virtual QString nodeName() const = 0;
    // The text of an attribute node; empty for an element.
    virtual QString nodeValue() const = 0;
    // The element's attributes; an empty collection for other nodes.
    virtual std::shared_ptr<DomNamedNodeMap> attributes() const = 0;
};

class DomNamedNodeMap
{
public:
    virtual ~DomNamedNodeMap() = default;

    // The attribute node of that exact name, or null when there is none.
    virtual std::shared_ptr<DomNode> getNamedItem(const QString &name) const = 0;
};

} // namespace soap
