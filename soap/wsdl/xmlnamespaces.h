#pragma once

#include <QLatin1String>

// The namespaces of WSDL 1.1, its SOAP binding, XML Schema and SOAP 1.1 that the layer reads and
// writes.
namespace soap::xmlns {

constexpr QLatin1String Wsdl("http://schemas.xmlsoap.org/wsdl/");
constexpr QLatin1String WsdlSoap("http://schemas.xmlsoap.org/wsdl/soap/");
constexpr QLatin1String WsdlSoap12("http://schemas.xmlsoap.org/wsdl/soap12/");
constexpr QLatin1String SoapHttpTransport("http://schemas.xmlsoap.org/soap/http");
constexpr QLatin1String Schema("http://www.w3.org/2001/XMLSchema");
constexpr QLatin1String SchemaInstance("http://www.w3.org/2001/XMLSchema-instance");
constexpr QLatin1String SoapEnvelope("http://schemas.xmlsoap.org/soap/envelope/");
constexpr QLatin1String SoapEncoding("http://schemas.xmlsoap.org/soap/encoding/");

} // namespace soap::xmlns
