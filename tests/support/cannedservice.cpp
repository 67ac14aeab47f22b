#include "cannedservice.h"

#include "testhttpserver.h"

#include "ksv_config.h"

#include <QXmlStreamWriter>

namespace testsupport {

namespace {

const char *const Members[] = {"generated", "resultType", "code", "name", "readyDistricts",
                               "allDistricts", "yesNum", "yesPerc", "noNum", "noPerc",
                               "blankNum", "blankPerc", "invalidNum", "turnoutNum", "turnoutPerc"};
const char *const Operations[][2] = {{"getCountryResultsValnatt", nullptr},
                                     {"getCountyResultsValnatt", "str_county"},
                                     {"getCountyResultsSlutsam", "str_county"},
                                     {"getCountryResultsSlutsam", nullptr}};

constexpr auto Xsd = "http://www.w3.org/2001/XMLSchema";
constexpr auto Xsi = "http://www.w3.org/2001/XMLSchema-instance";
constexpr auto SoapEnc = "http://schemas.xmlsoap.org/soap/encoding/";
constexpr auto SoapEnv = "http://schemas.xmlsoap.org/soap/envelope/";

QString s(const char *text) { return QString::fromLatin1(text); }

} // namespace

QByteArray CannedService::wsdl(const QUrl &endpoint, Style style)
{
    // Written as text so that tests can edit it by plain replacement.
    const bool rpc = style == Style::RpcEncoded;
    QByteArray members, elements, messages, portType, binding;
    for (const char *member : Members)
        members += R"(<xsd:element name=")" + QByteArray(member) + R"(" type="xsd:string"/>)";
    const QByteArray body = rpc ? R"(<soap:body use="encoded" namespace=")" KSV_SERVICE_NAMESPACE
                                  R"(" encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"/>)"
                                : R"(<soap:body use="literal"/>)";
    for (const auto &operation : Operations) {
        const QByteArray name = operation[0];
        const QByteArray argument = operation[1] ? R"(<xsd:element name=")" + QByteArray(operation[1])
                + R"(" type="xsd:string"/>)" : QByteArray();
        if (rpc) {
            messages += operation[1] ? R"(<wsdl:message name=")" + name + R"("><wsdl:part name=")"
                    + operation[1] + R"(" type="xsd:string"/></wsdl:message>)"
                                     : R"(<wsdl:message name=")" + name + R"("/>)";
            messages += R"(<wsdl:message name=")" + name + R"(Response"><wsdl:part name="return" )"
                R"(type="typens:ArrayOfQueryResult"/></wsdl:message>)";
        } else {
            for (const QByteArray &message : {name, name + "Response"})
                messages += R"(<wsdl:message name=")" + message + R"("><wsdl:part name="parameters" element="typens:)"
                    + message + R"("/></wsdl:message>)";
            // The answer element is the array itself, as the decoder reads document style.
            elements += R"(<xsd:element name=")" + name + R"("><xsd:complexType>)"
                + (argument.isEmpty() ? "<xsd:sequence/>" : "<xsd:sequence>" + argument + "</xsd:sequence>")
                + R"(</xsd:complexType></xsd:element><xsd:element name=")" + name
                + R"(Response" type="typens:ArrayOfQueryResult"/>)";
        }
        portType += R"(<wsdl:operation name=")" + name + R"("><wsdl:input message="tns:)" + name
            + R"("/><wsdl:output message="tns:)" + name + R"(Response"/></wsdl:operation>)";
        binding += R"(<wsdl:operation name=")" + name + R"("><soap:operation soapAction="urn:ElectionResults#)"
            + name + R"("/><wsdl:input>)" + body + "</wsdl:input><wsdl:output>" + body + "</wsdl:output></wsdl:operation>";
    }
    const QByteArray array = rpc
        ? R"(<xsd:complexContent><xsd:restriction base="soapenc:Array"><xsd:attribute ref="soapenc:arrayType" )"
          R"(wsdl:arrayType="typens:QueryResult[]"/></xsd:restriction></xsd:complexContent>)"
        : R"(<xsd:sequence><xsd:element name="QueryResult" type="typens:QueryResult" minOccurs="0" )"
          R"(maxOccurs="unbounded"/></xsd:sequence>)";
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><wsdl:definitions xmlns:wsdl="http://schemas.xmlsoap.org/wsdl/" )"
           R"(xmlns:soap="http://schemas.xmlsoap.org/wsdl/soap/" xmlns:soapenc="http://schemas.xmlsoap.org/soap/encoding/" )"
           R"(xmlns:xsd="http://www.w3.org/2001/XMLSchema" xmlns:tns=")" KSV_SERVICE_NAMESPACE R"(" xmlns:typens=")"
           KSV_SCHEMA_NAMESPACE R"(" name=")" KSV_SERVICE_NAME R"(" targetNamespace=")" KSV_SERVICE_NAMESPACE
           R"("><wsdl:types><xsd:schema targetNamespace=")" KSV_SCHEMA_NAMESPACE "\"")
        + (rpc ? "" : R"( elementFormDefault="qualified")")
        + R"(><xsd:complexType name="QueryResult"><xsd:sequence>)" + members
        + R"(</xsd:sequence></xsd:complexType><xsd:complexType name="ArrayOfQueryResult">)" + array
        + "</xsd:complexType>" + elements + "</xsd:schema></wsdl:types>" + messages
        + R"(<wsdl:portType name="ElectionResultsPortType">)" + portType
        + R"(</wsdl:portType><wsdl:binding name="ElectionResultsBinding" type="tns:ElectionResultsPortType">)"
        + R"(<soap:binding style=")" + (rpc ? "rpc" : "document")
        + R"(" transport="http://schemas.xmlsoap.org/soap/http"/>)" + binding
        + R"(</wsdl:binding><wsdl:service name=")" KSV_SERVICE_NAME R"("><wsdl:port name=")" KSV_PORT_NAME
          R"(" binding="tns:ElectionResultsBinding"><soap:address location=")"
        + endpoint.toString().toHtmlEscaped().toUtf8() + R"("/></wsdl:port></wsdl:service></wsdl:definitions>)" "\n";
}

QByteArray CannedService::answer(const QString &operation, const QList<Record> &records, Style style)
{
    const bool rpc = style == Style::RpcEncoded;
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeNamespace(s(SoapEnv), s("SOAP-ENV"));
    w.writeNamespace(s(Xsi), s("xsi"));
    w.writeNamespace(s(Xsd), s("xsd"));
    w.writeNamespace(s(SoapEnc), s("SOAP-ENC"));
    w.writeNamespace(s(KSV_SCHEMA_NAMESPACE), s("ns1"));
    w.writeStartElement(s(SoapEnv), s("Envelope"));
    w.writeStartElement(s(SoapEnv), s("Body"));
    const QString wrapperNs = rpc ? s(KSV_SERVICE_NAMESPACE) : s(KSV_SCHEMA_NAMESPACE);
    w.writeNamespace(wrapperNs, s("m"));
    w.writeStartElement(wrapperNs, operation + s("Response"));
    if (rpc) {
        w.writeAttribute(s(SoapEnv), s("encodingStyle"), s(SoapEnc));
        w.writeStartElement(s("return"));
        w.writeAttribute(s(Xsi), s("type"), s("SOAP-ENC:Array"));
        w.writeAttribute(s(SoapEnc), s("arrayType"),
                         s("ns1:QueryResult[%1]").arg(records.size()));
    }
    for (const Record &record : records) {
        if (rpc) {
            w.writeStartElement(s("item"));
            w.writeAttribute(s(Xsi), s("type"), s("ns1:QueryResult"));
        } else {
            w.writeStartElement(s(KSV_SCHEMA_NAMESPACE), s("QueryResult"));
        }
        for (auto it = record.constBegin(); it != record.constEnd(); ++it) {
            if (rpc) {
                w.writeStartElement(it.key());
                w.writeAttribute(s(Xsi), s("type"), s("xsd:string"));
            } else {
                w.writeStartElement(s(KSV_SCHEMA_NAMESPACE), it.key());
            }
            w.writeCharacters(it.value());
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndDocument(); // closes the array, the answer, Body and Envelope
    return out;
}

QByteArray CannedService::fault11(const QString &code, const QString &text)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeNamespace(s(SoapEnv), s("SOAP-ENV"));
    w.writeStartElement(s(SoapEnv), s("Envelope"));
    w.writeStartElement(s(SoapEnv), s("Body"));
    w.writeStartElement(s(SoapEnv), s("Fault"));
    w.writeTextElement(s("faultcode"), code);
    w.writeTextElement(s("faultstring"), text);
    w.writeEndDocument();
    return out;
}

QByteArray CannedService::fault12(const QString &code, const QString &text)
{
    const QString env = s("http://www.w3.org/2003/05/soap-envelope");
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeNamespace(env, s("env"));
    w.writeStartElement(env, s("Envelope"));
    w.writeStartElement(env, s("Body"));
    w.writeStartElement(env, s("Fault"));
    w.writeStartElement(env, s("Code"));
    w.writeTextElement(env, s("Value"), code);
    w.writeEndElement();
    w.writeStartElement(env, s("Reason"));
    w.writeStartElement(env, s("Text"));
    w.writeAttribute(s("xml:lang"), s("sv"));
    w.writeCharacters(text);
    w.writeEndDocument();
    return out;
}

CannedService::Record CannedService::record(const QString &tag)
{
    Record record;
    for (const char *member : Members)
        record.insert(s(member), s(member) + QLatin1Char('-') + tag);
    record.insert(s("resultType"), s("county"));
    return record;
}

QUrl CannedService::install(TestHttpServer &server, const CannedReply &reply, Style style)
{
    server.setReply(WsdlPath, CannedReply::ok(wsdl(server.url(EndpointPath), style)));
    server.setReply(EndpointPath, reply);
    return server.url(WsdlPath);
}

} // namespace testsupport
