#pragma once

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
// and for QNames in attribute values (xsi:type, arrayType).
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
        std::string prefix;
        std::string uri;
    };
    // Slots are reused rather than freed, so that a declaration repeated on every record (as
    // Axis writes them) costs no allocation.
    std::vector<Binding> m_bindings;
    std::size_t m_count = 0;

    // The last prefixes looked up: a record's dozen names use two or three prefixes, so most
    // lookups end here rather than in a scan of the bindings.
    struct Remembered
    {
        std::string prefix;
        std::string_view uri;
        bool bound = false;
        std::uint64_t generation = 0;
    };
    mutable Remembered m_remembered[4];
    mutable std::size_t m_nextRemembered = 0;
    std::uint64_t m_generation = 1; // changes whenever the bindings do
};

} // namespace soap
