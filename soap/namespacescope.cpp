#include "namespacescope.h"

namespace soap {

NamespaceScope::NamespaceScope()
{
    bind("xml", "http://www.w3.org/XML/1998/namespace");
}

void NamespaceScope::bind(const char *prefix, const char *uri)
{
    if (m_count == m_bindings.size())
        m_bindings.emplace_back();
    Binding &binding = m_bindings[m_count++];
    binding.prefix.assign(prefix ? prefix : "");
    binding.uri.assign(uri ? uri : "");
}

void NamespaceScope::unbind()
{
    // Never below the built-in xml prefix.
    if (m_count > 1)
        --m_count;
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
