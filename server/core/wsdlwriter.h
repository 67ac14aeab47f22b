#pragma once

#include <QByteArray>
#include <QString>

// Writes the service's WSDL 1.1 document (rpc/encoded, SOAP 1.1 over HTTP) with the given
// endpoint address.
class WsdlWriter
{
public:
    static QByteArray write(const QString &endpointUrl);
};
