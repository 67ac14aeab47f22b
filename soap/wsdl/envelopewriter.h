#pragma once

#include "operationinfo.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace soap {

// Writes the SOAP 1.1 request envelope of one operation as its WSDL binding asks: rpc (wrapper
// named after the operation, encoded arguments typed xsd:string) or document/literal.
class EnvelopeWriter
{
public:
    static QByteArray write(const OperationInfo &operation, const std::vector<QString> &arguments);
};

} // namespace soap
