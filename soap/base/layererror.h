#pragma once

#include "raisederror.h"

#include <QString>

#include <cstdint>

namespace soap {

// Every failure met inside the layer is raised under one source, the client's class name,
// whichever room meets it; the service client replaces it with the operation's name.
class LayerError
{
public:
    static QString source() { return QStringLiteral("SoapClient"); }
    static RaisedError make(std::int32_t number, const QString &description)
    {
        return RaisedError(number, source(), description);
    }
};

} // namespace soap
