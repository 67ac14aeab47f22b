#pragma once

#include "ksv_config.h"
#include "resultsservice.h"

#include <QByteArray>
#include <QString>

// Requests as clients send them, built by the tests rather than by any code under test.
struct SoapCall
{
    static QByteArray envelope(const QString &body, const QString &header = {})
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SOAP-ENV:Envelope "
                              "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                              "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                              "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                              "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">%1"
                              "<SOAP-ENV:Body>%2</SOAP-ENV:Body></SOAP-ENV:Envelope>")
                .arg(header, body).toUtf8();
    }

    // The county argument is left out when `county` is null.
    static QByteArray of(const QString &operation, const QString &county = QString())
    {
        const QString argument = county.isNull() ? QString()
                : QStringLiteral("<county xsi:type=\"xsd:string\">%1</county>").arg(county);
        return envelope(
                QStringLiteral("<m:%1 xmlns:m=\"" KSV_SERVICE_NAMESPACE "\">%2</m:%1>").arg(operation, argument));
    }

    // An HTTP/1.1 POST to the service's endpoint.
    static QByteArray post(const QByteArray &body)
    {
        return "POST " + ResultsService::endpointPath().toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
               "Content-Type: text/xml; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size())
                + "\r\n\r\n" + body;
    }
};
