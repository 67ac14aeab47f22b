#pragma once

#include "decodefailure.h"
#include "namespacescope.h"

#include <cstddef>

namespace soap {

// An attribute as written: its prefix is resolved only by whoever needs its namespace, since
// most attributes of an answer (xsi:type on every member) are never looked at.
struct XmlAttribute
{
    std::string_view prefix; // empty: no namespace
    std::string_view localName;
    const char *value = nullptr;
};

// What the parser knows at its current event: where it is and which namespaces are in scope.
class XmlContext
{
public:
    virtual ~XmlContext() = default;
    // Cheap: expat keeps its position up to date for every byte anyway.
    virtual XmlPosition position() const = 0;
    virtual const NamespaceScope &namespaces() const = 0;
};

// Receives a document's events as the parser meets them, element names resolved to their
// namespaces; namespace declarations are not among the attributes. Views and pointers are valid
// only during the call. Any exception thrown stops the parse and reaches the caller.
class XmlEventHandler
{
public:
    virtual ~XmlEventHandler() = default;

    virtual void setContext(const XmlContext *context) = 0;
    // The namespace declarations of the element whose start follows; most readers need none.
    virtual void declareNamespace(std::string_view prefix, std::string_view uri)
    {
        (void)prefix;
        (void)uri;
    }
    virtual void startElement(const RawName &name, const XmlAttribute *attributes, std::size_t count) = 0;
    virtual void endElement() = 0;
    virtual void characters(const char *data, int length) = 0;
};

} // namespace soap
