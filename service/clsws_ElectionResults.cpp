#include "clsws_ElectionResults.h"

#include "clsof_Factory_ElectionResul.h"
#include "errortrap.h"
#include "ksv_config.h"
#include "soapclient.h"

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

// Called only from inside a handler: the pending error is the exception being handled. A SOAP
// Fault comes as the SOAP client raised it, with its faultstring.
void clsws_ElectionResults::RaiseServiceError(const QString &operation)
{
    ErrorTrap::raiseAgain(operation);
}
