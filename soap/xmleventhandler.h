#pragma once

#include "decodefailure.h"

namespace soap {

// Where the parser is in the document, for messages that must say so.
class XmlLocator
{
public:
    virtual ~XmlLocator() = default;
    virtual XmlPosition position() const = 0;
};

// Receives a document's events as the parser meets them. Names arrive as the parser forms them
// with namespace processing: "uri\x01local", or "local" for names in no namespace. Pointers are
// valid only during the call. Any exception thrown stops the parse and reaches the caller.
class XmlEventHandler
{
public:
    static constexpr char NamespaceSeparator = '\x01';

    virtual ~XmlEventHandler() = default;

    virtual void setDocumentLocator(const XmlLocator *locator) = 0;
    // attributes: name, value, name, value, ..., null
    virtual void startElement(const char *name, const char **attributes) = 0;
    virtual void endElement() = 0;
    virtual void characters(const char *data, int length) = 0;
    // prefix is null for the default namespace; uri is null when the declaration undeclares it.
    virtual void startNamespace(const char *prefix, const char *uri) = 0;
    virtual void endNamespace(const char *prefix) = 0;
};

} // namespace soap
