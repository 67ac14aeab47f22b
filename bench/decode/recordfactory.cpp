#include "recordfactory.h"

#include "struct_QueryResult.h"

soap::ObjectPtr RecordFactory::IGCTMObjectFactory_CreateObject(const std::shared_ptr<soap::DomNode> &par_WSMLNode)
{
    const auto attribute = par_WSMLNode->attributes()->getNamedItem(QStringLiteral("targetClassName"));
    if (attribute && attribute->nodeValue() == QLatin1String("struct_QueryResult"))
        return std::make_shared<struct_QueryResult>();
    return nullptr;
}
