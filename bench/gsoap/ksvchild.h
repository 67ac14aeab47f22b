#pragma once

#include <QString>

// The KSV client of the comparison: a new clsws_ElectionResults (its WSDL fetched and read) and
// one whole-country call, as the viewer makes it.
class KsvChild
{
public:
    static int run(const QString &wsdlUrl, bool verify);
};
