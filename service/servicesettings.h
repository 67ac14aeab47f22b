#pragma once

#include "ksv_config.h"

#include <QString>

#include <chrono>

// Where the service client finds the WSDL document and how long a call may take. The program
// always uses the built-in values; tests point a client at a server of their own.
struct ServiceSettings
{
    QString wsdlUrl = QStringLiteral(KSV_WSDL_URL);
    std::chrono::milliseconds timeout = std::chrono::seconds(30);
    // The client's WSDL fetch and its calls all end by then, each within the time-out as well.
    std::chrono::steady_clock::time_point endsBy = std::chrono::steady_clock::time_point::max();
};
