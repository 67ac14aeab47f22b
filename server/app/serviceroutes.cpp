#include "serviceroutes.h"

#include "resultsservice.h"

namespace {

const QByteArray XmlType = QByteArrayLiteral("text/xml; charset=utf-8");

} // namespace

Routes ServiceRoutes::of(ResultsService &service)
{
    Routes routes;
    routes.add(ResultsService::wsdlPath().toStdString(), {"GET", "HEAD"}, [&service](const HttpRequest &request) {
        HttpAnswer answer;
        answer.contentType = XmlType;
        answer.body = service.wsdl(QString::fromStdString(request.authority));
        return answer;
    });
    routes.add(ResultsService::endpointPath().toStdString(), {"POST"}, [&service](const HttpRequest &request) {
        const SoapReply reply = service.call(request.body);
        HttpAnswer answer;
        answer.status = reply.status;
        answer.contentType = XmlType;
        answer.body = reply.body;
        answer.note = reply.operation.toStdString();
        return answer;
    });
    return routes;
}
