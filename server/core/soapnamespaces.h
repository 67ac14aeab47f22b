#pragma once

#include <QString>

// The namespaces of SOAP 1.1 and XML Schema that requests, answers and the WSDL use.
struct SoapNamespaces
{
    static inline const QString Envelope = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
    static inline const QString Envelope12 = QStringLiteral("http://www.w3.org/2003/05/soap-envelope");
    static inline const QString Encoding = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");
    static inline const QString Xsd = QStringLiteral("http://www.w3.org/2001/XMLSchema");
    static inline const QString Xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    static inline const QString Wsdl = QStringLiteral("http://schemas.xmlsoap.org/wsdl/");
    static inline const QString WsdlSoap = QStringLiteral("http://schemas.xmlsoap.org/wsdl/soap/");
    static inline const QString HttpTransport = QStringLiteral("http://schemas.xmlsoap.org/soap/http");
};
