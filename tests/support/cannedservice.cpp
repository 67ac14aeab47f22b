#include "cannedservice.h"

#include "testhttpserver.h"

#include "ksv_config.h"


namespace testsupport {

namespace {

const char *const Members[] = {"generated", "resultType", "code", "name", "readyDistricts",
                               "allDistricts", "yesNum", "yesPerc", "noNum", "noPerc",
                               "blankNum", "blankPerc", "invalidNum", "turnoutNum", "turnoutPerc"};
const char *const Operations[][2] = {{"getCountryResultsValnatt", nullptr},
                                     {"getCountyResultsValnatt", "str_county"},
                                     {"getCountyResultsSlutsam", "str_county"},
                                     {"getCountryResultsSlutsam", nullptr}};

constexpr auto SoapEnv = "http://schemas.xmlsoap.org/soap/envelope/";

QByteArray escaped(const QString &text)
{
    return QString(text)
        .replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"))
        .toUtf8();
}

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
    const QByteArray response = "m:" + operation.toUtf8() + "Response";
    QByteArray items;
    for (const Record &record : records) {
        items += rpc ? R"(<item xsi:type="ns1:QueryResult">)" : "<m:QueryResult>";
        for (auto it = record.constBegin(); it != record.constEnd(); ++it) {
            const QByteArray name = rpc ? it.key().toUtf8() : "m:" + it.key().toUtf8();
            items += "<" + name + (rpc ? R"( xsi:type="xsd:string">)" : ">") + escaped(it.value()) + "</" + name + ">";
        }
        items += rpc ? "</item>" : "</m:QueryResult>";
    }
    if (rpc)
        items = R"( SOAP-ENV:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><return xsi:type="SOAP-ENC:Array" )"
                R"(SOAP-ENC:arrayType="ns1:QueryResult[)" + QByteArray::number(records.size()) + "]\">" + items + "</return>";
    else
        items = ">" + items;
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=")") + SoapEnv
        + R"(" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema" )"
          R"(xmlns:SOAP-ENC="http://schemas.xmlsoap.org/soap/encoding/" xmlns:ns1=")" KSV_SCHEMA_NAMESPACE
          R"("><SOAP-ENV:Body xmlns:m=")" + (rpc ? KSV_SERVICE_NAMESPACE : KSV_SCHEMA_NAMESPACE) + "\"><" + response
        + items + "</" + response + "></SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
}

QByteArray CannedService::fault11(const QString &code, const QString &text)
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=")") + SoapEnv
        + R"("><SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>)" + escaped(code) + "</faultcode><faultstring>"
        + escaped(text) + "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
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
