#pragma once

#include "operationinfo.h"

#include <QHash>
#include <QUrl>

namespace soap {

// One port of one service as read from a WSDL document: where to send requests and how.
struct ServiceDescription
{
    QUrl endpoint;
    QHash<QString, OperationInfo> operations; // by operation name, letter case counting
};

} // namespace soap
