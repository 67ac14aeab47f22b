#pragma once

#include <QNetworkProxyFactory>

namespace soap {

// The current user's proxy configuration, asked anew for every request (the system query also
// performs automatic proxy detection on platforms that have it). Owned by one network manager,
// so no process-wide setting is touched.
class SystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override;
};

} // namespace soap
