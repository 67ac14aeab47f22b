#include "soapclient.h"

#include "answersink.h"
#include "answertypes.h"
#include "buffersink.h"
#include "envelopewriter.h"
#include "errornumbers.h"
#include "httptransport.h"
#include "layererror.h"
#include "mappingdocument.h"
#include "raisederror.h"
#include "servicedescription.h"
#include "wiretext.h"
#include "wsdlreader.h"

namespace soap {

namespace {

constexpr auto CurrentUser = "<CURRENT_USER>";

} // namespace

SoapClient::SoapClient(TransportLimits limits)
    : m_transport(std::make_unique<HttpTransport>(limits))
    , m_setup(std::make_unique<DecodeSetup>())
{
}

SoapClient::~SoapClient() = default;

void SoapClient::initialise(const QString &wsdlUrl, const QString &mappingDocument,
                            const QString &serviceName, const QString &portName,
                            const QString &serviceNamespace)
{
    // Read the mapping first: a bad document fails without a network round trip.
    MappingDocument mapping = MappingDocument::parse(mappingDocument, serviceName);

    // Fetching and reading the WSDL have one deadline together.
    const Deadline deadline = Deadline::after(m_transport->limits().timeout, m_transport->limits().endsBy);
    OutgoingRequest request;
    request.url = QUrl(wsdlUrl);
    // A WSDL is read whole; real ones are tens of kilobytes.
    BufferSink wsdl(qsizetype(16) * 1024 * 1024, QStringLiteral("WSDL-dokumentet"));
    const HttpResponseHead head = m_transport->exchange(request, wsdl, deadline);
    if (!head.isSuccess())
        throw LayerError::make(ErrorNumber::HttpStatus,
                               QStringLiteral("WSDL-dokumentet kunde inte hämtas: servern svarade med "
                                              "HTTP-status %1 (%2) för %3")
                                   .arg(head.status)
                                   .arg(QString::fromLatin1(head.reason), head.url.toDisplayString()));
    m_description = std::make_unique<ServiceDescription>(
        WsdlReader(serviceName, portName, serviceNamespace).read(wsdl.body(), request.url.toDisplayString(), deadline));
    m_setup->types = mapping.types();
    m_serviceName = serviceName;
}

void SoapClient::setConnectorProperty(const QString &name, const QVariant &value)
{
    if (name == QLatin1String("ProxyServer")) {
        if (value.typeId() != QMetaType::QString)
            throw LayerError::make(ErrorNumber::BadArgument,
                                   QStringLiteral("Egenskapen ProxyServer ska vara en text"));
        const QString server = value.toString().trimmed();
        if (!server.isEmpty() && server != QLatin1String(CurrentUser)) {
            const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
            bool portOk = false;
            const uint port = colon > 0 ? server.mid(colon + 1).toUInt(&portOk) : 0;
            if (!portOk || port == 0 || port > 65535)
                throw LayerError::make(ErrorNumber::BadArgument,
                                       QStringLiteral("ProxyServer \"%1\" är varken %2 eller värd:port")
                                           .arg(server, QLatin1String(CurrentUser)));
        }
        m_proxyServer = server;
    } else if (name == QLatin1String("EnableAutoProxy")) {
        if (value.typeId() != QMetaType::Bool)
            throw LayerError::make(ErrorNumber::BadArgument,
                                   QStringLiteral("Egenskapen EnableAutoProxy ska vara sann eller falsk"));
        m_autoProxy = value.toBool();
    } else {
        throw LayerError::make(ErrorNumber::UnknownProperty,
                               QStringLiteral("Okänd anslutningsegenskap \"%1\"").arg(name));
    }
    applyProxy();
}

void SoapClient::applyProxy()
{
    ProxySetting proxy;
    if (!m_proxyServer.isEmpty() && m_proxyServer != QLatin1String(CurrentUser)) {
        const qsizetype colon = m_proxyServer.lastIndexOf(QLatin1Char(':'));
        proxy.mode = ProxySetting::Mode::Explicit;
        proxy.host = m_proxyServer.left(colon);
        proxy.port = quint16(m_proxyServer.mid(colon + 1).toUInt());
    } else if (m_proxyServer == QLatin1String(CurrentUser) || m_autoProxy) {
        proxy.mode = ProxySetting::Mode::System;
    }
    m_transport->setProxy(proxy);
}

void SoapClient::setClientProperty(const QString &name, std::shared_ptr<IGCTMObjectFactory> factory)
{
    if (name != QLatin1String("GCTMObjectFactory"))
        throw LayerError::make(ErrorNumber::UnknownProperty,
                               QStringLiteral("Okänd klientegenskap \"%1\"").arg(name));
    m_setup->factory = std::move(factory);
}

Variant SoapClient::invoke(const QString &operation)
{
    return call(operation, {});
}

Variant SoapClient::invoke(const QString &operation, QString &argument)
{
    return call(operation, {argument});
}

Variant SoapClient::call(const QString &operation, const std::vector<QString> &arguments)
{
    // The request, the answer and its decoding have one deadline together.
    const Deadline deadline = Deadline::after(m_transport->limits().timeout, m_transport->limits().endsBy);
    m_faultCode.clear();
    m_faultString.clear();
    if (!m_description)
        throw LayerError::make(ErrorNumber::NotInitialised,
                               QStringLiteral("SOAP-klienten är inte initierad"));
    const auto found = m_description->operations.constFind(operation);
    if (found == m_description->operations.constEnd())
        throw LayerError::make(ErrorNumber::UnknownOperation,
                               QStringLiteral("Operationen \"%1\" finns inte i tjänsten %2")
                                   .arg(operation, m_serviceName));
    const OperationInfo &info = *found;
    if (qsizetype(arguments.size()) > info.parameters.size())
        throw LayerError::make(ErrorNumber::BadArgument,
                               QStringLiteral("Operationen %1 tar %2 argument, inte %3")
                                   .arg(operation)
                                   .arg(info.parameters.size())
                                   .arg(arguments.size()));
    for (const QString &argument : arguments) {
        if (!WireText::isXmlText(argument))
            throw LayerError::make(ErrorNumber::BadArgument,
                                   QStringLiteral("Argumentet till %1 innehåller tecken som inte kan "
                                                  "skickas i XML").arg(operation));
    }

    OutgoingRequest request;
    request.url = m_description->endpoint;
    request.post = true;
    request.headers = {
        {"Content-Type", "text/xml; charset=utf-8"},
        {"SOAPAction", '"' + info.soapAction.toUtf8() + '"'},
    };
    request.body = EnvelopeWriter::write(info, arguments);

    AnswerSink sink(*m_setup, info.answer, request.url.toDisplayString(), deadline);
    m_transport->exchange(request, sink, deadline);
    DecodedAnswer answer = sink.finish();
    if (answer.fault) {
        m_faultCode = answer.fault->code;
        m_faultString = answer.fault->string;
        // Raised as a fault even when the server left faultcode empty, so callers that look
        // only at the error still see 0x80040000 and the faultstring.
        throw LayerError::make(ErrorNumber::SoapFault, m_faultString);
    }
    return answer.value;
}

} // namespace soap
