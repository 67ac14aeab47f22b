#include "clsof_Factory_ElectionResul.h"

#include "errornumbers.h"
#include "errortrap.h"
#include "raisederror.h"
#include "struct_QueryResult.h"

namespace {

constexpr QLatin1String ClassName("clsof_Factory_ElectionResul");

} // namespace

soap::ObjectPtr clsof_Factory_ElectionResul::IGCTMObjectFactory_CreateObject(
    const std::shared_ptr<soap::DomNode> &par_WSMLNode)
{
    const std::shared_ptr<soap::DomNode> node = par_WSMLNode;
    soap::ObjectPtr result;
    try {
        if (!node)
            throw soap::RaisedError(soap::ErrorNumber::ObjectNotSet, ClassName,
                                    QStringLiteral("Ingen mappningsnod gavs till fabriken"));
        std::shared_ptr<soap::DomNode> attribute;
        {
            const std::shared_ptr<soap::DomNamedNodeMap> attributes = node->attributes();
            if (attributes)
                attribute = attributes->getNamedItem(QStringLiteral("targetClassName"));
        }
        // Exact comparison: another spelling names a class this factory does not know.
        if (attribute && attribute->nodeValue() == QLatin1String("struct_QueryResult"))
            result = std::make_shared<struct_QueryResult>();
    } catch (...) {
        ErrorTrap::raiseAgain(ClassName, QStringLiteral("Okänt fel i mappningsnoden"));
    }
    return result;
}
