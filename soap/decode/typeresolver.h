#pragma once

#include "decodefailure.h"
#include "genericcustomtypemapper.h"
#include "qualifiedname.h"
#include "xmleventhandler.h"

namespace soap {

// What kind of value an element's type makes.
enum class TypeClass : unsigned char { Unknown, Mapped, Array, Simple, Other };

struct TypeInfo
{
    TypeClass typeClass = TypeClass::Unknown;
    int mapped = -1; // Mapped: the mapper's index
    QualifiedName name;
};

// An element's type from the encoding attributes: its xsi:type, else its own name in the SOAP
// encoding namespace (SOAP-ENC:Array), else what the context says; and the items' type from an
// array's SOAP-ENC:arrayType. QName prefixes resolve against the answer's own declarations.
class TypeResolver
{
public:
    TypeResolver(const GenericCustomTypeMapper &mapper, const DecodeFailure &failure);

    TypeInfo classify(const RawName &type) const;
    TypeInfo classify(const QualifiedName &type) const;
    // xsiType: the attribute's value, or null.
    TypeInfo typeOf(const RawName &name, const char *xsiType, const TypeInfo &context, const XmlContext &at) const;
    // "ns:QueryResult[22]": the items' type; Unknown when it says nothing ("xsd:anyType[]").
    TypeInfo arrayItemType(const char *arrayType, const XmlContext &at) const;

private:
    const GenericCustomTypeMapper &m_mapper;
    const DecodeFailure &m_failure;
};

} // namespace soap
