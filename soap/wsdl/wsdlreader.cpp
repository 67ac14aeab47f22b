#include "wsdlreader.h"

#include "errornumbers.h"
#include "layererror.h"
#include "raisederror.h"
#include "schemaindex.h"
#include "wiretext.h"
#include "xmlelement.h"
#include "xmlnamespaces.h"
#include "xmltreebuilder.h"

#include <QSet>

#include <algorithm>

namespace soap {

namespace {

struct Part
{
    QString name;
    QualifiedName type;    // type="..."
    QualifiedName element; // element="..."
};

} // namespace

// What every operation looks up, indexed once: a document's cost stays in proportion to its size
// however many operations share a portType, message or schema type.
class WsdlReader::Context
{
public:
    Context(const XmlElement &definitions, const XmlElement *types, QString where)
        : schema(types), where(std::move(where)), targetNamespace(definitions.attribute(QStringLiteral("targetNamespace")))
    {
        for (const auto &child : definitions.children()) {
            if (child->name().namespaceUri == xmlns::Wsdl)
                m_named.insert({child->name().localName, child->attribute(QStringLiteral("name"))}, child.get());
        }
    }

    // The first top-level definition of that kind and name, as a reader of the document would find it.
    const XmlElement *named(const QString &kind, const QualifiedName &name) const
    {
        if (name.namespaceUri != targetNamespace)
            return nullptr;
        const auto found = m_named.constFind({kind, name.localName});
        return found == m_named.constEnd() ? nullptr : found.value();
    }

    // A portType's operation by name; the last of that name, as before the index.
    const XmlElement *abstractOperation(const XmlElement &portType, const QString &name)
    {
        auto known = m_operations.find(&portType);
        if (known == m_operations.end()) {
            QHash<QString, const XmlElement *> byName;
            for (const XmlElement *candidate : portType.children(xmlns::Wsdl, QStringLiteral("operation")))
                byName.insert(candidate->attribute(QStringLiteral("name")), candidate);
            known = m_operations.insert(&portType, byName);
        }
        return known->value(name);
    }

    const QList<Part> &partsOf(const XmlElement &message)
    {
        auto known = m_parts.find(&message);
        if (known == m_parts.end()) {
            QList<Part> parts;
            for (const XmlElement *part : message.children(xmlns::Wsdl, QStringLiteral("part"))) {
                Part p{part->attribute(QStringLiteral("name")), {}, {}};
                if (part->hasAttribute(QStringLiteral("type")))
                    p.type = part->resolve(part->attribute(QStringLiteral("type")));
                if (part->hasAttribute(QStringLiteral("element")))
                    p.element = part->resolve(part->attribute(QStringLiteral("element")));
                parts.append(p);
            }
            known = m_parts.insert(&message, parts);
        }
        return *known;
    }

    // The argument names of an rpc request: its input message's parts.
    QList<QualifiedName> rpcParameters(const XmlElement &message)
    {
        auto known = m_rpcParameters.find(&message);
        if (known == m_rpcParameters.end()) {
            QList<QualifiedName> names;
            for (const Part &part : partsOf(message))
                names.append({QString(), part.name});
            known = m_rpcParameters.insert(&message, names);
        }
        return *known;
    }

    // A name of the list that cannot go into a request (no XML name, or a namespace that is no
    // URI), or null. Lists are shared between the operations that use one message or wrapper,
    // and each shared list is looked through once.
    const QualifiedName *badName(const QList<QualifiedName> &names)
    {
        if (names.isEmpty() || m_checked.contains(names.constData()))
            return nullptr;
        for (const QualifiedName &name : names) {
            if (!WireText::isName(name.localName)
                || (!name.namespaceUri.isEmpty() && !WireText::isNamespace(name.namespaceUri)))
                return &name;
        }
        m_checked.insert(names.constData());
        return nullptr;
    }

    const SchemaIndex schema;
    const QString where;
    const QString targetNamespace;

private:
    QHash<std::pair<QString, QString>, const XmlElement *> m_named;
    QHash<const XmlElement *, QHash<QString, const XmlElement *>> m_operations;
    QHash<const XmlElement *, QList<Part>> m_parts;
    QHash<const XmlElement *, QList<QualifiedName>> m_rpcParameters;
    QSet<const QualifiedName *> m_checked;
};

WsdlReader::WsdlReader(QString serviceName, QString portName, QString serviceNamespace)
    : m_serviceName(std::move(serviceName))
    , m_portName(std::move(portName))
    , m_serviceNamespace(std::move(serviceNamespace))
{
}

void WsdlReader::fail(std::int32_t number, const Context &context, const QString &what) const
{
    throw LayerError::make(number,
                           QStringLiteral("WSDL-dokumentet %1: %2").arg(context.where, what));
}

ServiceDescription WsdlReader::read(const QByteArray &document, const QString &where,
                                    const Deadline &deadline) const
{
    const std::unique_ptr<XmlElement> root =
        XmlTreeBuilder::parse(document, QStringLiteral("WSDL-dokumentet %1").arg(where), deadline);
    Context context(*root, root->firstChild(xmlns::Wsdl, QStringLiteral("types")), where);
    if (!root->is(xmlns::Wsdl, QStringLiteral("definitions")))
        fail(ErrorNumber::WsdlInvalid, context, QStringLiteral("inget WSDL 1.1-dokument (rotelementet är inte wsdl:definitions)"));

    const XmlElement *service = context.named(QStringLiteral("service"), {m_serviceNamespace, m_serviceName});
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
    // What QUrl would percent-encode goes out so; a control character is no part of an address.
    const QString location = address->attribute(QStringLiteral("location"));
    description.endpoint = QUrl(location);
    const QString scheme = description.endpoint.scheme().toLower();
    if (!WireText::isPrintable(location) || !description.endpoint.isValid() || description.endpoint.host().isEmpty()
        || description.endpoint.port() == 0 || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("porten %1 har ingen giltig http- eller https-adress i soap:address location (\"%2\")")
                 .arg(m_portName, location.left(200)));

    const XmlElement *binding = context.named(QStringLiteral("binding"),
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

OperationInfo WsdlReader::readOperation(Context &context, const XmlElement &bindingOperation,
                                        bool rpcDefault) const
{
    OperationInfo info;
    info.name = bindingOperation.attribute(QStringLiteral("name"));
    if (!WireText::isName(info.name))
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("operationen \"%1\" har inget giltigt XML-namn").arg(info.name.left(100)));
    info.rpcStyle = rpcDefault;
    if (const XmlElement *soapOperation = bindingOperation.firstChild(xmlns::WsdlSoap, QStringLiteral("operation"))) {
        // It goes into the SOAPAction header as a quoted string.
        info.soapAction = soapOperation->attribute(QStringLiteral("soapAction"));
        if (!WireText::isQuotable(info.soapAction))
            fail(ErrorNumber::WsdlInvalid, context,
                 QStringLiteral("operationen %1 har en soapAction med otillåtna tecken").arg(info.name));
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
    const QStringList styles = info.encodingStyle.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (info.encodedUse && (styles.isEmpty() || !std::all_of(styles.begin(), styles.end(), WireText::isNamespace)))
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("operationen %1: soap:body-attributet encodingStyle är ingen lista av URI:er (\"%2\")")
                 .arg(info.name, info.encodingStyle.left(200)));

    // The portType's operation names the messages, and the messages their parts.
    const XmlElement &binding = *bindingOperation.parent();
    const XmlElement *portType = context.named(QStringLiteral("portType"),
                                               binding.resolve(binding.attribute(QStringLiteral("type"))));
    const XmlElement *abstract = portType ? context.abstractOperation(*portType, info.name) : nullptr;
    if (!abstract)
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("operationen %1 finns inte i porttypen %2")
                 .arg(info.name, binding.attribute(QStringLiteral("type"))));
    auto messageOf = [&](const QString &direction) -> const XmlElement * {
        const XmlElement *use = abstract->firstChild(xmlns::Wsdl, direction);
        if (!use)
            return nullptr;
        const XmlElement *message = context.named(QStringLiteral("message"),
                                                  use->resolve(use->attribute(QStringLiteral("message"))));
        if (!message)
            fail(ErrorNumber::WsdlInvalid, context,
                 QStringLiteral("meddelandet %1 för operationen %2 finns inte")
                     .arg(use->attribute(QStringLiteral("message")), info.name));
        return message;
    };
    const XmlElement *inputMessage = messageOf(QStringLiteral("input"));
    const XmlElement *outputMessage = messageOf(QStringLiteral("output"));
    const QList<Part> inputParts = inputMessage ? context.partsOf(*inputMessage) : QList<Part>();
    const QList<Part> outputParts = outputMessage ? context.partsOf(*outputMessage) : QList<Part>();

    AnswerExpectation &answer = info.answer;
    answer.operation = info.name;
    answer.rpcStyle = info.rpcStyle;
    answer.encodedUse = info.encodedUse;
    if (!outputParts.empty())
        answer.returnPart = outputParts.front().name;

    if (info.rpcStyle) {
        const QString inputNamespace = inputBody->attribute(QStringLiteral("namespace"));
        if (!inputNamespace.isEmpty() && !WireText::isNamespace(inputNamespace))
            fail(ErrorNumber::WsdlInvalid, context,
                 QStringLiteral("operationen %1: soap:body-attributet namespace är ingen giltig namnrymd (\"%2\")")
                     .arg(info.name, inputNamespace.left(200)));
        info.requestWrapper = {inputNamespace, info.name};
        if (inputMessage)
            info.parameters = context.rpcParameters(*inputMessage);
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
            if (!info.requestWrapper.namespaceUri.isEmpty() && !WireText::isNamespace(info.requestWrapper.namespaceUri))
                fail(ErrorNumber::WsdlInvalid, context,
                     QStringLiteral("operationen %1: attributet element i delen %2 har ingen giltig namnrymd (\"%3\")")
                         .arg(info.name, inputParts.front().name.left(100), info.requestWrapper.namespaceUri.left(200)));
        }
        if (!outputParts.empty()) {
            answer.returnType = outputParts.front().element;
            answer.bodyNamespace = answer.returnType.namespaceUri;
            answer.itemType = context.schema.elementItemType(answer.returnType);
        }
    }
    const QualifiedName *bad = context.badName(info.parameters);
    if (!bad && !info.rpcStyle && !info.requestWrapper.isEmpty() && !WireText::isName(info.requestWrapper.localName))
        bad = &info.requestWrapper;
    if (bad && !WireText::isName(bad->localName))
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("operationen %1 har en del \"%2\" utan giltigt XML-namn").arg(info.name, bad->localName.left(100)));
    if (bad)
        fail(ErrorNumber::WsdlInvalid, context,
             QStringLiteral("operationen %1: elementet %2 har ingen giltig namnrymd (\"%3\") i schemats targetNamespace "
                            "eller sitt ref").arg(info.name, bad->localName, bad->namespaceUri.left(200)));
    return info;
}

} // namespace soap
