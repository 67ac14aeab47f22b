#pragma once

// The layer's top: the rooms below it never see the client (only KSV::soap defines this).
#ifndef KSV_SOAP_CLIENT
#error "soapclient.h is for the SOAP client and its users, not for the rooms below it"
#endif

#include "objectfactory.h"
#include "transportlimits.h"
#include "variant.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace soap {

class HttpTransport;
struct DecodeSetup;
struct ServiceDescription;

// Our SOAP client in place of the SOAP Toolkit's: initialised from a WSDL document and a service
// mapping document, it invokes operations by name and decodes the answers, mapped types through
// the factory under the client property "GCTMObjectFactory". Every failure raises RaisedError;
// a call blocks the calling thread without dispatching any of its events. Initialising, and
// each invocation, have the transport's time-out as their deadline, decoding included, and none
// goes past the limits' endsBy.
class SoapClient
{
public:
    explicit SoapClient(TransportLimits limits = {});
    ~SoapClient();

    SoapClient(const SoapClient &) = delete;
    SoapClient &operator=(const SoapClient &) = delete;

    // Fetches and reads the WSDL (http or https) and reads the mapping document given as text.
    void initialise(const QString &wsdlUrl, const QString &mappingDocument,
                    const QString &serviceName, const QString &portName,
                    const QString &serviceNamespace);

    // "ProxyServer": "<CURRENT_USER>" for the user's proxy settings, "host:port" for one HTTP
    // proxy, "" for none. "EnableAutoProxy": a boolean. Any other name raises UnknownProperty.
    void setConnectorProperty(const QString &name, const QVariant &value);
    // "GCTMObjectFactory": the factory the generic type mapper asks for objects; the client keeps
    // a reference. Any other name raises UnknownProperty.
    void setClientProperty(const QString &name, std::shared_ptr<IGCTMObjectFactory> factory);

    // Of the last invocation; the code is empty when it ended without a SOAP Fault.
    QString faultCode() const { return m_faultCode; }
    QString faultString() const { return m_faultString; }

    // A SOAP Fault raises SoapFault with the faultstring as description and sets the last fault.
    Variant invoke(const QString &operation);
    // The argument is passed by reference, as the toolkit does; this client never changes it.
    Variant invoke(const QString &operation, QString &argument);

private:
    Variant call(const QString &operation, const std::vector<QString> &arguments);
    void applyProxy();

    std::unique_ptr<HttpTransport> m_transport;
    std::unique_ptr<ServiceDescription> m_description; // null until initialised
    std::unique_ptr<DecodeSetup> m_setup;
    QString m_serviceName;
    QString m_proxyServer;
    bool m_autoProxy = false;
    QString m_faultCode;
    QString m_faultString;
};

} // namespace soap
