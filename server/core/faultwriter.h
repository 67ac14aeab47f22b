#pragma once

#include "soapfault.h"

#include <QByteArray>

// Writes a SOAP 1.1 Fault envelope.
class FaultWriter
{
public:
    static QByteArray write(const SoapFault &fault);
};
