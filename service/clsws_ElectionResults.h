#pragma once

#include "servicesettings.h"
#include "variant.h"

#include <QString>

#include <memory>

namespace soap {
class SoapClient;
}

// The client of the ElectionResults web service. Every failure of an operation comes out as a
// soap::RaisedError whose source is the operation's name. A failed construction throws.
class clsws_ElectionResults
{
public:
    clsws_ElectionResults();
    explicit clsws_ElectionResults(const ServiceSettings &settings);
    ~clsws_ElectionResults();

    clsws_ElectionResults(const clsws_ElectionResults &) = delete;
    clsws_ElectionResults &operator=(const clsws_ElectionResults &) = delete;

    soap::Variant wsm_getCountryResultsValnatt();
    soap::Variant wsm_getCountyResultsValnatt(const QString &str_county);
    soap::Variant wsm_getCountyResultsSlutsam(const QString &str_county);
    soap::Variant wsm_getCountryResultsSlutsam();

    // The service mapping document handed to the SOAP client.
    static QString serviceMappingDocument();

private:
    soap::Variant invokeOperation(const QString &operation, const QString &source,
                                  QString *argument);
    [[noreturn]] void RaiseServiceError(const QString &operation);

    std::unique_ptr<soap::SoapClient> soapClient;
};
