#include "sampleattributes.h"

#include "samplemappingnode.h"

#include <utility>

namespace bench {

SampleAttributes::SampleAttributes(QMap<QString, QString> attributes) : m_attributes(std::move(attributes)) {}

std::shared_ptr<soap::DomNode> SampleAttributes::getNamedItem(const QString &name) const
{
    const auto it = m_attributes.constFind(name);
    if (it == m_attributes.constEnd())
        return nullptr;
    return std::make_shared<SampleMappingNode>(name, it.value());
}

} // namespace bench
