#pragma once

#include "domnode.h"

#include <QDomNode>

namespace soap {

// A DomNode over a node of a QDomDocument. QDomNode shares the document, so the node keeps it
// alive for as long as anyone holds the node.
class XmlDomNode : public DomNode
{
public:
    explicit XmlDomNode(QDomNode node) : m_node(std::move(node)) {}

    QString nodeName() const override;
    QString nodeValue() const override;
    std::shared_ptr<DomNamedNodeMap> attributes() const override;

private:
    QDomNode m_node;
};

} // namespace soap
