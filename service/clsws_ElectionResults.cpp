#include "clsws_ElectionResults.h"

#include "clsof_Factory_ElectionResul.h"
#include "errornumbers.h"
#include "ksv_config.h"
#include "raisederror.h"
#include "soapclient.h"

#include <new>

namespace {

// The exception being handled, as a raised error; must be called inside a handler.
soap::RaisedError pendingError()
{
    try {
        throw;
    } catch (const soap::RaisedError &error) {
        return error;
    } catch (const std::bad_alloc &) {
        return soap::RaisedError(soap::ErrorNumber::OutOfMemory, {}, QStringLiteral("Slut på minne"));
    } catch (const std::exception &error) {
        return soap::RaisedError(soap::ErrorNumber::InternalFailure, {},
                                 QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return soap::RaisedError(soap::ErrorNumber::InternalFailure, {}, QStringLiteral("Okänt fel"));
    }
}

} // namespace

clsws_ElectionResults::clsws_ElectionResults()
    : clsws_ElectionResults(ServiceSettings{})
{
}

clsws_ElectionResults::clsws_ElectionResults(const ServiceSettings &settings)
{
    const QString mappingDocument = serviceMappingDocument();
    soap::TransportLimits limits;
    limits.timeout = settings.timeout;
    limits.endsBy = settings.endsBy;
    soapClient = std::make_unique<soap::SoapClient>(limits);
    soapClient->initialise(settings.wsdlUrl, mappingDocument, QStringLiteral(KSV_SERVICE_NAME),
                           QStringLiteral(KSV_PORT_NAME), QStringLiteral(KSV_SERVICE_NAMESPACE));
    soapClient->setConnectorProperty(QStringLiteral("ProxyServer"), QStringLiteral("<CURRENT_USER>"));
    soapClient->setConnectorProperty(QStringLiteral("EnableAutoProxy"), true);
    // The temporary goes at once: the SOAP client is the factory's only holder.
    soapClient->setClientProperty(QStringLiteral("GCTMObjectFactory"),
                                  std::make_shared<clsof_Factory_ElectionResul>());
}

clsws_ElectionResults::~clsws_ElectionResults()
{
    try {
        soapClient.reset();
    } catch (...) {
        // Re-sourced "Class_Terminate", the error would have nowhere to go: a destructor hands
        // nothing to its caller, and destruction always completes.
    }
}

QString clsws_ElectionResults::serviceMappingDocument()
{
    return QStringLiteral("<servicemapping>")
        + QStringLiteral("<service name='ElectionResults'>")
        + QStringLiteral("<using PROGID='MSSOAP.GenericCustomTypeMapper30' cachable='0' ID='GCTM'/>")
        + QStringLiteral("<types>")
        + QStringLiteral("<type name='QueryResult' targetNamespace='")
        + QStringLiteral(KSV_SCHEMA_NAMESPACE)
        + QStringLiteral("' uses='GCTM' targetClassName='struct_QueryResult'/>")
        + QStringLiteral("</types>")
        + QStringLiteral("</service>")
        + QStringLiteral("</servicemapping>");
}

soap::Variant clsws_ElectionResults::wsm_getCountryResultsValnatt()
{
    return invokeOperation(QStringLiteral("getCountryResultsValnatt"),
                           QStringLiteral("wsm_getCountryResultsValnatt"), nullptr);
}

soap::Variant clsws_ElectionResults::wsm_getCountyResultsValnatt(const QString &str_county)
{
    QString county = str_county;
    return invokeOperation(QStringLiteral("getCountyResultsValnatt"),
                           QStringLiteral("wsm_getCountyResultsValnatt"), &county);
}

soap::Variant clsws_ElectionResults::wsm_getCountyResultsSlutsam(const QString &str_county)
{
    QString county = str_county;
    return invokeOperation(QStringLiteral("getCountyResultsSlutsam"),
                           QStringLiteral("wsm_getCountyResultsSlutsam"), &county);
}

soap::Variant clsws_ElectionResults::wsm_getCountryResultsSlutsam()
{
    return invokeOperation(QStringLiteral("getCountryResultsSlutsam"),
                           QStringLiteral("wsm_getCountryResultsSlutsam"), nullptr);
}

// The argument, when there is one, is the operation's own copy: the SOAP layer may write to it.
soap::Variant clsws_ElectionResults::invokeOperation(const QString &operation,
                                                     const QString &source, QString *argument)
{
    soap::Variant result;
    try {
        result = argument ? soapClient->invoke(operation, *argument) : soapClient->invoke(operation);
    } catch (...) {
        RaiseServiceError(source);
    }
    return result;
}

// Called only from inside a handler: the pending error is the exception being handled.
void clsws_ElectionResults::RaiseServiceError(const QString &operation)
{
    const QString faultCode = soapClient->faultCode();
    if (!faultCode.isEmpty())
        throw soap::RaisedError(soap::ErrorNumber::SoapFault, operation, soapClient->faultString());
    throw pendingError().withSource(operation);
}
