#include "systemproxyfactory.h"

namespace soap {

QList<QNetworkProxy> SystemProxyFactory::queryProxy(const QNetworkProxyQuery &query)
{
    return QNetworkProxyFactory::systemProxyForQuery(query);
}

} // namespace soap
