#pragma once

#include "domnode.h"

#include <QMap>
#include <QString>

namespace bench {

// The attributes of a SampleMappingNode, by name.
class SampleAttributes : public soap::DomNamedNodeMap
{
public:
    explicit SampleAttributes(QMap<QString, QString> attributes);

    std::shared_ptr<soap::DomNode> getNamedItem(const QString &name) const override;

private:
    QMap<QString, QString> m_attributes;
};

} // namespace bench
