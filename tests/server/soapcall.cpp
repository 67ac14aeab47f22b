#include "soapcall.h"

#include "ksv_config.h"
#include "resultsservice.h"

QByteArray SoapCall::envelope(const QString &body, const QString &header)
{
    return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                   "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                   "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                   "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">%1"
                   "<SOAP-ENV:Body>%2</SOAP-ENV:Body></SOAP-ENV:Envelope>")
            .arg(header, body)
            .toUtf8();
}

QByteArray SoapCall::of(const QString &operation, const QString &county)
{
    const QString argument = county.isNull()
            ? QString()
            : QStringLiteral("<county xsi:type=\"xsd:string\">%1</county>").arg(county);
    return envelope(QStringLiteral("<m:%1 xmlns:m=\"" KSV_SERVICE_NAMESPACE "\">%2</m:%1>").arg(operation, argument));
}

QByteArray SoapCall::post(const QByteArray &body, const QString &path)
{
    return "POST " + (path.isNull() ? ResultsService::endpointPath() : path).toUtf8()
            + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}
