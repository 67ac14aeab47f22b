#include "namespacescope.h"

#include <algorithm>
#include <iterator>

namespace soap {

NamespaceScope::NamespaceScope()
{
    bind("xml", "http://www.w3.org/XML/1998/namespace");
}

std::size_t NamespaceScope::number(std::string_view prefix) const
{
    for (const Known &known : m_known) {
        if (known.used && known.prefix == prefix)
            return known.number;
    }
    const std::size_t found = m_prefixes.find(prefix);
    Known &slot = m_known[m_nextKnown++ % std::size(m_known)];
    slot.used = true;
    slot.prefix.assign(prefix);
    slot.number = found;
    return found;
}

void NamespaceScope::bind(std::string_view prefix, std::string_view uri)
{
    std::size_t number = this->number(prefix);
    if (number == IdIndex::NotFound) {
        m_prefixes.insert(std::string(prefix));
        number = m_prefixes.size() - 1;
        m_current.push_back(-1);
        // It was kept as unknown.
        for (Known &known : m_known)
            known.used = known.used && known.number != IdIndex::NotFound;
    }
    if (m_count == m_bindings.size())
        m_bindings.emplace_back();
    Binding &binding = m_bindings[m_count];
    binding.prefix = number;
    binding.hidden = m_current[number];
    binding.uri.assign(uri);
    m_current[number] = std::int64_t(m_count);
    ++m_count;
}

void NamespaceScope::release(std::size_t mark)
{
    // Never below the built-in xml prefix.
    const std::size_t keep = std::max<std::size_t>(mark, 1);
    while (m_count > keep) {
        const Binding &binding = m_bindings[--m_count];
        m_current[binding.prefix] = binding.hidden;
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
    const std::size_t number = this->number(prefix);
    const std::int64_t binding = number == IdIndex::NotFound ? -1 : m_current[number];
    if (binding < 0) {
        uri = {};
        // An undeclared empty prefix means no namespace.
        return prefix.empty();
    }
    uri = m_bindings[std::size_t(binding)].uri;
    return true;
}

} // namespace soap
