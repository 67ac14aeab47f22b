#pragma once

#include "domnode.h"

#include <QString>

#include <memory>

namespace soap {

// A DomNode over one attribute of an element, as XmlDomNamedNodeMap finds it: its name as asked
// for, its value, and no attributes of its own.
class XmlDomAttribute : public DomNode
{
public:
    XmlDomAttribute(QString name, QString value) : m_name(std::move(name)), m_value(std::move(value)) {}

    QString nodeName() const override { return m_name; }
    QString nodeValue() const override { return m_value; }
    std::shared_ptr<DomNamedNodeMap> attributes() const override;

private:
    QString m_name;
    QString m_value;
};

} // namespace soap
