#include "typeresolver.h"

#include "errornumbers.h"
#include "soapnames.h"

namespace soap {

TypeResolver::TypeResolver(const GenericCustomTypeMapper &mapper, const DecodeFailure &failure)
    : m_mapper(mapper), m_failure(failure)
{
}

TypeInfo TypeResolver::typeOf(const RawName &name, const char *xsiType, const TypeInfo &context,
                              const XmlContext &at) const
{
    if (xsiType) {
        RawName type;
        if (!at.namespaces().resolve(soapnames::trimmed(xsiType), type)) {
            throw m_failure.error(ErrorNumber::MalformedXml,
                                  QStringLiteral("prefixet i xsi:type=\"%1\" %2 är inte deklarerat")
                                      .arg(QString::fromUtf8(xsiType), DecodeFailure::at(at.position())));
        }
        return classify(type);
    }
    // SOAP encoding lets an element named after a type (SOAP-ENC:Array, SOAP-ENC:string) carry it.
    if (name.namespaceUri == soapnames::SoapEncoding)
        return classify(name);
    return context;
}

TypeInfo TypeResolver::classify(const RawName &type) const
{
    TypeInfo info;
    const bool schema = soapnames::isSchemaNamespace(type.namespaceUri);
    if (schema && (type.localName == "anyType" || type.localName == "ur-type"))
        return info;
    if (const int index = m_mapper.find(type); index >= 0) {
        info.typeClass = TypeClass::Mapped;
        info.mapped = index;
        info.name = m_mapper.typeName(index);
        return info;
    }
    info.name = {soapnames::toQString(type.namespaceUri), soapnames::toQString(type.localName)};
    if (type.namespaceUri == soapnames::SoapEncoding)
        info.typeClass = type.localName == "Array" ? TypeClass::Array : TypeClass::Simple;
    else if (schema)
        info.typeClass = TypeClass::Simple;
    else
        info.typeClass = TypeClass::Other;
    return info;
}

TypeInfo TypeResolver::classify(const QualifiedName &type) const
{
    if (type.isEmpty())
        return {};
    const std::string uri = type.namespaceUri.toStdString();
    const std::string local = type.localName.toStdString();
    return classify(RawName{uri, local});
}

TypeInfo TypeResolver::arrayItemType(const char *arrayType, const XmlContext &at) const
{
    // "ns:QueryResult[22]"; "ns:QueryResult[][3]" holds arrays.
    const std::string_view text = soapnames::trimmed(arrayType);
    const auto bracket = text.find('[');
    RawName type;
    if (!at.namespaces().resolve(soapnames::trimmed(text.substr(0, bracket)), type)) {
        throw m_failure.error(ErrorNumber::MalformedXml,
                              QStringLiteral("prefixet i arrayType=\"%1\" %2 är inte deklarerat")
                                  .arg(QString::fromUtf8(arrayType), DecodeFailure::at(at.position())));
    }
    if (type.localName.empty())
        return {};
    if (bracket != std::string_view::npos && text.find('[', bracket + 1) != std::string_view::npos) {
        TypeInfo nested;
        nested.typeClass = TypeClass::Array;
        nested.name = {soapnames::toQString(soapnames::SoapEncoding), QStringLiteral("Array")};
        return nested;
    }
    return classify(type);
}

} // namespace soap
