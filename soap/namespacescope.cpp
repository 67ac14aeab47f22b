#include "namespacescope.h"

#include <algorithm>

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
}

void NamespaceScope::release(std::size_t mark)
{
    // Never below the built-in xml prefix.
    m_count = std::max<std::size_t>(mark, 1);
}

bool NamespaceScope::resolve(std::string_view qname, RawName &out) const
{
    std::string_view prefix;
    std::string_view local = qname;
    if (const auto colon = qname.find(':'); colon != std::string_view::npos) {
        prefix = qname.substr(0, colon);
        local = qname.substr(colon + 1);
    }
    for (std::size_t i = m_count; i-- > 0;) {
        if (m_bindings[i].prefix == prefix) {
            out = {m_bindings[i].uri, local};
            return true;
        }
    }
    if (prefix.empty()) {
        out = {std::string_view(), local};
        return true;
    }
    return false;
}

} // namespace soap
