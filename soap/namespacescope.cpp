#include "namespacescope.h"

#include <algorithm>
#include <iterator>

namespace soap {

NamespaceScope::NamespaceScope()
{
    bind("xml", "http://www.w3.org/XML/1998/namespace");
}

void NamespaceScope::bind(std::string_view prefix, std::string_view uri)
{
    if (m_count == m_bindings.size())
        m_bindings.emplace_back();
    Binding &binding = m_bindings[m_count++];
    binding.prefix.assign(prefix);
    binding.uri.assign(uri);
    ++m_generation;
}

void NamespaceScope::release(std::size_t mark)
{
    // Never below the built-in xml prefix.
    const std::size_t count = std::max<std::size_t>(mark, 1);
    if (count != m_count) {
        m_count = count;
        ++m_generation;
    }
}

bool NamespaceScope::resolve(std::string_view qname, RawName &out) const
{
    std::string_view prefix;
    std::string_view local = qname;
    if (const auto colon = qname.find(':'); colon != std::string_view::npos) {
        prefix = qname.substr(0, colon);
        local = qname.substr(colon + 1);
    }
    out.localName = local;
    return lookup(prefix, out.namespaceUri);
}

bool NamespaceScope::lookup(std::string_view prefix, std::string_view &uri) const
{
    for (const Remembered &remembered : m_remembered) {
        if (remembered.generation == m_generation && remembered.prefix == prefix) {
            uri = remembered.uri;
            return remembered.bound;
        }
    }

    Remembered &remembered = m_remembered[m_nextRemembered++ % std::size(m_remembered)];
    remembered.generation = m_generation;
    remembered.prefix.assign(prefix);
    remembered.uri = {};
    // An undeclared empty prefix means no namespace.
    remembered.bound = prefix.empty();
    for (std::size_t i = m_count; i-- > 0;) {
        if (m_bindings[i].prefix == prefix) {
            remembered.uri = m_bindings[i].uri;
            remembered.bound = true;
            break;
        }
    }
    uri = remembered.uri;
    return remembered.bound;
}

} // namespace soap
