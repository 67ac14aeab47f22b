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

constexpr auto Wsdl = "http://schemas.xmlsoap.org/wsdl/";
constexpr auto WsdlSoap = "http://schemas.xmlsoap.org/wsdl/soap/";
constexpr auto Xsd = "http://www.w3.org/2001/XMLSchema";
constexpr auto Xsi = "http://www.w3.org/2001/XMLSchema-instance";
constexpr auto SoapEnc = "http://schemas.xmlsoap.org/soap/encoding/";
constexpr auto SoapEnv = "http://schemas.xmlsoap.org/soap/envelope/";

QString s(const char *text) { return QString::fromLatin1(text); }

void writeQueryResultType(QXmlStreamWriter &w)
{
    w.writeStartElement(s(Xsd), s("complexType"));
    w.writeAttribute(s("name"), s("QueryResult"));
    w.writeStartElement(s(Xsd), s("sequence"));
    for (const char *member : Members) {
        w.writeEmptyElement(s(Xsd), s("element"));
        w.writeAttribute(s("name"), s(member));
        w.writeAttribute(s("type"), s("xsd:string"));
    }
    w.writeEndElement();
    w.writeEndElement();
}

void writeSchema(QXmlStreamWriter &w, CannedService::Style style)
{
    w.writeStartElement(s(Wsdl), s("types"));
    w.writeStartElement(s(Xsd), s("schema"));
    w.writeAttribute(s("targetNamespace"), s(KSV_SCHEMA_NAMESPACE));
    if (style == CannedService::Style::DocumentLiteral)
        w.writeAttribute(s("elementFormDefault"), s("qualified"));
    writeQueryResultType(w);
    w.writeStartElement(s(Xsd), s("complexType"));
    w.writeAttribute(s("name"), s("ArrayOfQueryResult"));
    if (style == CannedService::Style::RpcEncoded) {
        w.writeStartElement(s(Xsd), s("complexContent"));
        w.writeStartElement(s(Xsd), s("restriction"));
        w.writeAttribute(s("base"), s("soapenc:Array"));
        w.writeEmptyElement(s(Xsd), s("attribute"));
        w.writeAttribute(s("ref"), s("soapenc:arrayType"));
        w.writeAttribute(s(Wsdl), s("arrayType"), s("typens:QueryResult[]"));
        w.writeEndElement();
        w.writeEndElement();
    } else {
        w.writeStartElement(s(Xsd), s("sequence"));
        w.writeEmptyElement(s(Xsd), s("element"));
        w.writeAttribute(s("name"), s("QueryResult"));
        w.writeAttribute(s("type"), s("typens:QueryResult"));
        w.writeAttribute(s("minOccurs"), s("0"));
        w.writeAttribute(s("maxOccurs"), s("unbounded"));
        w.writeEndElement();
    }
    w.writeEndElement();
    if (style == CannedService::Style::DocumentLiteral) {
        for (const auto &operation : Operations) {
            w.writeStartElement(s(Xsd), s("element"));
            w.writeAttribute(s("name"), s(operation[0]));
            w.writeStartElement(s(Xsd), s("complexType"));
            w.writeStartElement(s(Xsd), s("sequence"));
            if (operation[1]) {
                w.writeEmptyElement(s(Xsd), s("element"));
                w.writeAttribute(s("name"), s(operation[1]));
                w.writeAttribute(s("type"), s("xsd:string"));
            }
            w.writeEndElement();
            w.writeEndElement();
            w.writeEndElement();
            // The answer element is the array itself, as the decoder reads document style.
            w.writeEmptyElement(s(Xsd), s("element"));
            w.writeAttribute(s("name"), s(operation[0]) + s("Response"));
            w.writeAttribute(s("type"), s("typens:ArrayOfQueryResult"));
        }
    }
    w.writeEndElement();
    w.writeEndElement();
}

} // namespace

QByteArray CannedService::wsdl(const QUrl &endpoint, Style style)
{
    const bool rpc = style == Style::RpcEncoded;
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeNamespace(s(Wsdl), s("wsdl"));
    w.writeNamespace(s(WsdlSoap), s("soap"));
    w.writeNamespace(s(SoapEnc), s("soapenc"));
    w.writeNamespace(s(Xsd), s("xsd"));
    w.writeNamespace(s(KSV_SERVICE_NAMESPACE), s("tns"));
    w.writeNamespace(s(KSV_SCHEMA_NAMESPACE), s("typens"));
    w.writeStartElement(s(Wsdl), s("definitions"));
    w.writeAttribute(s("name"), s(KSV_SERVICE_NAME));
    w.writeAttribute(s("targetNamespace"), s(KSV_SERVICE_NAMESPACE));
    writeSchema(w, style);
    for (const auto &operation : Operations) {
        const QString name = s(operation[0]);
        for (const QString &message : {name, name + s("Response")}) {
            w.writeStartElement(s(Wsdl), s("message"));
            w.writeAttribute(s("name"), message);
            const bool response = message.endsWith(s("Response"));
            if (!rpc) {
                w.writeEmptyElement(s(Wsdl), s("part"));
                w.writeAttribute(s("name"), s("parameters"));
                w.writeAttribute(s("element"), s("typens:") + message);
            } else if (response) {
                w.writeEmptyElement(s(Wsdl), s("part"));
                w.writeAttribute(s("name"), s("return"));
                w.writeAttribute(s("type"), s("typens:ArrayOfQueryResult"));
            } else if (operation[1]) {
                w.writeEmptyElement(s(Wsdl), s("part"));
                w.writeAttribute(s("name"), s(operation[1]));
                w.writeAttribute(s("type"), s("xsd:string"));
            }
            w.writeEndElement();
        }
    }
    w.writeStartElement(s(Wsdl), s("portType"));
    w.writeAttribute(s("name"), s("ElectionResultsPortType"));
    for (const auto &operation : Operations) {
        w.writeStartElement(s(Wsdl), s("operation"));
        w.writeAttribute(s("name"), s(operation[0]));
        w.writeEmptyElement(s(Wsdl), s("input"));
        w.writeAttribute(s("message"), s("tns:") + s(operation[0]));
        w.writeEmptyElement(s(Wsdl), s("output"));
        w.writeAttribute(s("message"), s("tns:") + s(operation[0]) + s("Response"));
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeStartElement(s(Wsdl), s("binding"));
    w.writeAttribute(s("name"), s("ElectionResultsBinding"));
    w.writeAttribute(s("type"), s("tns:ElectionResultsPortType"));
    w.writeEmptyElement(s(WsdlSoap), s("binding"));
    w.writeAttribute(s("style"), rpc ? s("rpc") : s("document"));
    w.writeAttribute(s("transport"), s("http://schemas.xmlsoap.org/soap/http"));
    for (const auto &operation : Operations) {
        w.writeStartElement(s(Wsdl), s("operation"));
        w.writeAttribute(s("name"), s(operation[0]));
        w.writeEmptyElement(s(WsdlSoap), s("operation"));
        w.writeAttribute(s("soapAction"), s("urn:ElectionResults#") + s(operation[0]));
        for (const char *direction : {"input", "output"}) {
            w.writeStartElement(s(Wsdl), s(direction));
            w.writeEmptyElement(s(WsdlSoap), s("body"));
            if (rpc) {
                w.writeAttribute(s("use"), s("encoded"));
                w.writeAttribute(s("namespace"), s(KSV_SERVICE_NAMESPACE));
                w.writeAttribute(s("encodingStyle"), s(SoapEnc));
            } else {
                w.writeAttribute(s("use"), s("literal"));
            }
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeStartElement(s(Wsdl), s("service"));
    w.writeAttribute(s("name"), s(KSV_SERVICE_NAME));
    w.writeStartElement(s(Wsdl), s("port"));
    w.writeAttribute(s("name"), s(KSV_PORT_NAME));
    w.writeAttribute(s("binding"), s("tns:ElectionResultsBinding"));
    w.writeEmptyElement(s(WsdlSoap), s("address"));
    w.writeAttribute(s("location"), endpoint.toString());
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return out;
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
