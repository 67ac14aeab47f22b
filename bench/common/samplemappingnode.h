#pragma once

#include "domnode.h"

#include <QMap>
#include <QString>

#include <memory>

namespace bench {

// A mapping document's <type> element, or one of its attributes, held in memory: enough for a
// factory that looks up targetClassName.
class SampleMappingNode : public soap::DomNode
{
public:
    SampleMappingNode(QString name, QString value, QMap<QString, QString> attributes = {});

    // The <type> element of the ElectionResults mapping document for the given schema namespace.
    static std::shared_ptr<SampleMappingNode> queryResultType(const QString &schemaNamespace);

    QString nodeName() const override;
    QString nodeValue() const override;
    std::shared_ptr<soap::DomNamedNodeMap> attributes() const override;

private:
    QString m_name;
    QString m_value;
    QMap<QString, QString> m_attributes;
};

} // namespace bench
