#pragma once

#include "idindex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace soap {

// A QName found in content (xsi:type, arrayType), resolved; the views live as long as the scope
// is unchanged and the resolved text is.
struct RawName
{
    std::string_view namespaceUri;
    std::string_view localName;
};

// The namespace declarations in scope at the parser's position, for element and attribute names
// and for QNames in attribute values (xsi:type, arrayType). A lookup costs the same however many
// prefixes are declared and in whatever order they are used: each prefix has a number, and each
// number its declaration in scope, which remembers the one it hides.
class NamespaceScope
{
public:
    NamespaceScope();

    // prefix empty: the default namespace; uri empty: undeclared.
    void bind(std::string_view prefix, std::string_view uri);
    // Declarations made after mark() are dropped by release(mark).
    std::size_t mark() const { return m_count; }
    void release(std::size_t mark);
    // "prefix:local" or "local" (the default namespace); false when the prefix is not declared.
    bool resolve(std::string_view qname, RawName &out) const;
    // The namespace of a prefix ("" the default); false when it is not declared.
    bool lookup(std::string_view prefix, std::string_view &uri) const;

private:
    struct Binding
    {
        std::size_t prefix = 0;     // its number in m_prefixes
        std::int64_t hidden = -1;   // the binding it hides, or -1
        std::string uri;
    };
    IdIndex m_prefixes;
    std::vector<std::int64_t> m_current; // per prefix number: its binding in scope, or -1
    // Slots are reused rather than freed, so that a declaration repeated on every record (as
    // Axis writes them) costs no allocation.
    std::vector<Binding> m_bindings;
    std::size_t m_count = 0;

    // A prefix's number never changes, so the last few are kept: a record's names use two or
    // three prefixes, and a comparison is cheaper than a hash.
    std::size_t number(std::string_view prefix) const;
    struct Known
    {
        bool used = false;
        std::string prefix;
        std::size_t number = IdIndex::NotFound; // also kept: an unprefixed name in no namespace
    };
    mutable Known m_known[4];
    mutable std::size_t m_nextKnown = 0;
};

} // namespace soap
