#pragma once

#include "soaprequest.h"

#include <QByteArray>

// Reads a SOAP 1.1 rpc request, in time in proportion to its bytes whatever their shape. Anything
// that is not one (malformed XML, a DOCTYPE, another root, no call in the Body, a header entry that
// must be understood) throws a SoapFault.
class SoapRequestReader
{
public:
    static SoapRequest read(const QByteArray &body);

    static constexpr int MaxDepth = 32;
};
