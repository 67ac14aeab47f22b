#pragma once

#include <QString>

// The namespaces of SOAP 1.1 and XML Schema that requests, answers and the WSDL use.
struct SoapNamespaces
{
    static inline const QString envelope = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
    static inline const QString envelope12 = QStringLiteral("http://www.w3.org/2003/05/soap-envelope");
    static inline const QString encoding = QStringLiteral("http://schemas.xmlsoap.org/soap/encoding/");
    static inline const QString xsd = QStringLiteral("http://www.w3.org/2001/XMLSchema");
    static inline const QString xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    static inline const QString wsdl = QStringLiteral("http://schemas.xmlsoap.org/wsdl/");
    static inline const QString wsdlSoap = QStringLiteral("http://schemas.xmlsoap.org/wsdl/soap/");
    static inline const QString httpTransport = QStringLiteral("http://schemas.xmlsoap.org/soap/http");
};
