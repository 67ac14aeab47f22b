#include "wsdlreader.h"

#include "errornumbers.h"
#include "raisederror.h"
#include "schemaindex.h"
#include "xmlelement.h"
#include "xmlnamespaces.h"

namespace soap {

struct WsdlReader::Context
{
    const XmlElement &definitions;
    const SchemaIndex &schema;
    QString where;
    QString targetNamespace;
};

namespace {

struct Part
{
    QString name;
    QualifiedName type;    // type="..."
    QualifiedName element; // element="..."
};

} // namespace

WsdlReader::WsdlReader(QString serviceName, QString portName, QString serviceNamespace)
    : m_serviceName(std::move(serviceName))
    , m_portName(std::move(portName))
    , m_serviceNamespace(std::move(serviceNamespace))
{
}

void WsdlReader::fail(std::int32_t number, const Context &context, const QString &what) const
{
    throw RaisedError(number, QStringLiteral("SoapClient"),
                      QStringLiteral("WSDL-dokumentet %1: %2").arg(context.where, what));
}

const XmlElement *WsdlReader::findNamed(const Context &context, const QString &kind,
                                        const QualifiedName &name) const
{
    if (name.namespaceUri != context.targetNamespace)
        return nullptr;
    for (const XmlElement *candidate : context.definitions.children(xmlns::Wsdl, kind)) {
        if (candidate->attribute(QStringLiteral("name")) == name.localName)
            return candidate;
    }
    return nullptr;
}

ServiceDescription WsdlReader::read(const QByteArray &document, const QString &where) const
{
    const std::unique_ptr<XmlElement> root = XmlElement::parse(document, where);
    const SchemaIndex schema(root->firstChild(xmlns::Wsdl, QStringLiteral("types")));
    const Context context{*root, schema, where, root->attribute(QStringLiteral("targetNamespace"))};
    if (!root->is(xmlns::Wsdl, QStringLiteral("definitions")))
        fail(ErrorNumber::WsdlInvalid, context, QStringLiteral("inget WSDL 1.1-dokument (rotelementet är inte wsdl:definitions)"));

    const XmlElement *service = findNamed(context, QStringLiteral("service"), {m_serviceNamespace, m_serviceName});
    if (!service)
        fail(ErrorNumber::WsdlNoService, context,
             QStringLiteral("tjänsten %1 i namnrymden %2 finns inte").arg(m_serviceName, m_serviceNamespace));
    const XmlElement *port = nullptr;
    for (const XmlElement *candidate : service->children(xmlns::Wsdl, QStringLiteral("port"))) {
        if (candidate->attribute(QStringLiteral("name")) == m_portName)
            port = candidate;
    }
    if (!port)
        fail(ErrorNumber::WsdlNoPort, context,
             QStringLiteral("tjänsten %1 har ingen port %2").arg(m_serviceName, m_portName));

    const XmlElement *address = port->firstChild(xmlns::WsdlSoap, QStringLiteral("address"));
    if (!address) {
        if (port->firstChild(xmlns::WsdlSoap12, QStringLiteral("address")))
            fail(ErrorNumber::WsdlUnsupportedBinding, context,
                 QStringLiteral("porten %1 använder SOAP 1.2, som inte stöds").arg(m_portName));
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("porten %1 saknar soap:address").arg(m_portName));
    }
    ServiceDescription description;
    description.endpoint = QUrl(address->attribute(QStringLiteral("location")));
    const QString scheme = description.endpoint.scheme().toLower();
    if (!description.endpoint.isValid() || description.endpoint.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("porten %1 har ingen giltig http- eller https-adress (\"%2\")")
                 .arg(m_portName, address->attribute(QStringLiteral("location"))));

    const XmlElement *binding = findNamed(context, QStringLiteral("binding"),
                                          port->resolve(port->attribute(QStringLiteral("binding"))));
    if (!binding)
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("bindningen %1 för porten %2 finns inte")
                 .arg(port->attribute(QStringLiteral("binding")), m_portName));
    const XmlElement *soapBinding = binding->firstChild(xmlns::WsdlSoap, QStringLiteral("binding"));
    if (!soapBinding)
        fail(ErrorNumber::WsdlUnsupportedBinding, context,
             QStringLiteral("bindningen %1 är ingen SOAP 1.1-bindning").arg(binding->attribute(QStringLiteral("name"))));
    const QString transport = soapBinding->attribute(QStringLiteral("transport"));
    if (transport != xmlns::SoapHttpTransport)
        fail(ErrorNumber::WsdlUnsupportedBinding, context,
             QStringLiteral("bindningen %1 använder transporten \"%2\"; endast HTTP stöds")
                 .arg(binding->attribute(QStringLiteral("name")), transport));
    const QString style = soapBinding->attribute(QStringLiteral("style"));
    if (!style.isEmpty() && style != QLatin1String("rpc") && style != QLatin1String("document"))
        fail(ErrorNumber::WsdlUnsupportedBinding, context,
             QStringLiteral("okänd bindningsstil \"%1\"").arg(style));

    for (const XmlElement *operation : binding->children(xmlns::Wsdl, QStringLiteral("operation"))) {
        OperationInfo info = readOperation(context, *operation, style == QLatin1String("rpc"));
        description.operations.insert(info.name, std::move(info));
    }
    return description;
}

OperationInfo WsdlReader::readOperation(const Context &context, const XmlElement &bindingOperation,
                                        bool rpcDefault) const
{
    OperationInfo info;
    info.name = bindingOperation.attribute(QStringLiteral("name"));
    info.rpcStyle = rpcDefault;
    if (const XmlElement *soapOperation = bindingOperation.firstChild(xmlns::WsdlSoap, QStringLiteral("operation"))) {
        info.soapAction = soapOperation->attribute(QStringLiteral("soapAction"));
        const QString style = soapOperation->attribute(QStringLiteral("style"));
        if (!style.isEmpty())
            info.rpcStyle = style == QLatin1String("rpc");
    }
    const XmlElement *input = bindingOperation.firstChild(xmlns::Wsdl, QStringLiteral("input"));
    const XmlElement *output = bindingOperation.firstChild(xmlns::Wsdl, QStringLiteral("output"));
    const XmlElement *inputBody = input ? input->firstChild(xmlns::WsdlSoap, QStringLiteral("body")) : nullptr;
    const XmlElement *outputBody = output ? output->firstChild(xmlns::WsdlSoap, QStringLiteral("body")) : nullptr;
    if (!inputBody || !outputBody)
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("operationen %1 saknar soap:body för in- eller utdata").arg(info.name));
    const QString use = inputBody->attribute(QStringLiteral("use"));
    if (use != QLatin1String("encoded") && use != QLatin1String("literal"))
        fail(ErrorNumber::WsdlUnsupportedBinding, context,
             QStringLiteral("operationen %1 har användningen \"%2\"; endast encoded och literal stöds")
                 .arg(info.name, use));
    info.encodedUse = use == QLatin1String("encoded");
    if (info.encodedUse && !info.rpcStyle)
        fail(ErrorNumber::WsdlUnsupportedBinding, context,
             QStringLiteral("operationen %1 är document/encoded, som inte stöds").arg(info.name));
    info.encodingStyle = inputBody->attribute(QStringLiteral("encodingStyle"));
    if (info.encodedUse && info.encodingStyle.isEmpty())
        info.encodingStyle = xmlns::SoapEncoding;

    // The portType's operation names the messages, and the messages their parts.
    const XmlElement &binding = *bindingOperation.parent();
    const XmlElement *portType = findNamed(context, QStringLiteral("portType"),
                                           binding.resolve(binding.attribute(QStringLiteral("type"))));
    const XmlElement *abstract = nullptr;
    if (portType) {
        for (const XmlElement *candidate : portType->children(xmlns::Wsdl, QStringLiteral("operation"))) {
            if (candidate->attribute(QStringLiteral("name")) == info.name)
                abstract = candidate;
        }
    }
    if (!abstract)
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("operationen %1 finns inte i porttypen %2")
                 .arg(info.name, binding.attribute(QStringLiteral("type"))));
    auto partsOf = [&](const QString &direction) {
        std::vector<Part> parts;
        const XmlElement *use = abstract->firstChild(xmlns::Wsdl, direction);
        if (!use)
            return parts;
        const XmlElement *message = findNamed(context, QStringLiteral("message"),
                                              use->resolve(use->attribute(QStringLiteral("message"))));
        if (!message)
            fail(ErrorNumber::WsdlInvalid, context,
                 QStringLiteral("meddelandet %1 för operationen %2 finns inte")
                     .arg(use->attribute(QStringLiteral("message")), info.name));
        for (const XmlElement *part : message->children(xmlns::Wsdl, QStringLiteral("part"))) {
            Part p{part->attribute(QStringLiteral("name")), {}, {}};
            if (part->hasAttribute(QStringLiteral("type")))
                p.type = part->resolve(part->attribute(QStringLiteral("type")));
            if (part->hasAttribute(QStringLiteral("element")))
                p.element = part->resolve(part->attribute(QStringLiteral("element")));
            parts.push_back(p);
        }
        return parts;
    };
    const std::vector<Part> inputParts = partsOf(QStringLiteral("input"));
    const std::vector<Part> outputParts = partsOf(QStringLiteral("output"));

    AnswerExpectation &answer = info.answer;
    answer.operation = info.name;
    answer.rpcStyle = info.rpcStyle;
    answer.encodedUse = info.encodedUse;
    if (!outputParts.empty())
        answer.returnPart = outputParts.front().name;

    if (info.rpcStyle) {
        const QString inputNamespace = inputBody->attribute(QStringLiteral("namespace"));
        info.requestWrapper = {inputNamespace, info.name};
        for (const Part &part : inputParts)
            info.parameters.push_back({QString(), part.name});
        const QString outputNamespace = outputBody->attribute(QStringLiteral("namespace"));
        answer.bodyNamespace = outputNamespace.isEmpty() ? inputNamespace : outputNamespace;
        if (!outputParts.empty()) {
            answer.returnType = outputParts.front().type;
            answer.itemType = context.schema.arrayItemType(answer.returnType);
        }
    } else {
        if (inputParts.size() > 1 || (!inputParts.empty() && inputParts.front().element.isEmpty())
            || (!outputParts.empty() && outputParts.front().element.isEmpty()))
            fail(ErrorNumber::WsdlUnsupportedBinding, context,
                 QStringLiteral("operationen %1 är document/literal men dess delar är inga element")
                     .arg(info.name));
        if (!inputParts.empty()) {
            info.requestWrapper = inputParts.front().element;
            info.parameters = context.schema.childElements(info.requestWrapper);
        }
        if (!outputParts.empty()) {
            answer.returnType = outputParts.front().element;
            answer.bodyNamespace = answer.returnType.namespaceUri;
            answer.itemType = context.schema.elementItemType(answer.returnType);
        }
    }
    return info;
}

} // namespace soap
