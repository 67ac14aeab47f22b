#include "xmldomattribute.h"

namespace soap {

namespace {

class NoAttributes : public DomNamedNodeMap
{
public:
    std::shared_ptr<DomNode> getNamedItem(const QString &) const override { return nullptr; }
};

} // namespace

std::shared_ptr<DomNamedNodeMap> XmlDomAttribute::attributes() const
{
    return std::make_shared<NoAttributes>();
}

} // namespace soap
