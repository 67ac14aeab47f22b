#include "samplemappingnode.h"

#include "sampleattributes.h"

#include <utility>

namespace bench {

SampleMappingNode::SampleMappingNode(QString name, QString value, QMap<QString, QString> attributes)
    : m_name(std::move(name)), m_value(std::move(value)), m_attributes(std::move(attributes))
{
}

std::shared_ptr<SampleMappingNode> SampleMappingNode::queryResultType(const QString &schemaNamespace)
{
    return std::make_shared<SampleMappingNode>(
        QStringLiteral("type"), QString(),
        QMap<QString, QString>{{QStringLiteral("name"), QStringLiteral("QueryResult")},
                               {QStringLiteral("targetNamespace"), schemaNamespace},
                               {QStringLiteral("uses"), QStringLiteral("GCTM")},
                               {QStringLiteral("targetClassName"), QStringLiteral("struct_QueryResult")}});
}

QString SampleMappingNode::nodeName() const
{
    return m_name;
}

QString SampleMappingNode::nodeValue() const
{
    return m_value;
}

std::shared_ptr<soap::DomNamedNodeMap> SampleMappingNode::attributes() const
{
    return std::make_shared<SampleAttributes>(m_attributes);
}

} // namespace bench
