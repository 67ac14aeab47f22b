#pragma once

#include <optional>
#include <string>
#include <string_view>

// The Host header as it may be echoed into a document: a DNS name, an IPv4 address or a
// bracketed IPv6 address, optionally with a port from 1 to 65535. Anything else is refused, so
// that no client can plant markup, paths or nonsense addresses in what others are served.
class HostAuthority
{
public:
    // The host and port in canonical form ("Example.org:8803", "[::1]:80"), or nothing.
    static std::optional<std::string> validated(std::string_view host);
};
