#include "hostauthority.h"

#include <boost/asio/ip/address.hpp>

#include <algorithm>
#include <cctype>

namespace {

bool isDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool isLabel(std::string_view label)
{
    return !label.empty() && label.size() <= 63 && label.front() != '-' && label.back() != '-'
            && std::all_of(label.begin(), label.end(), [](unsigned char c) { return std::isalnum(c) || c == '-'; });
}

// RFC 1123 host name: dot-separated labels of letters, digits and inner hyphens. One whose last
// label is all digits can only be an IPv4 address.
bool isDnsName(std::string_view name)
{
    if (name.size() > 253)
        return false;
    for (std::size_t start = 0;;) {
        const auto dot = name.find('.', start);
        const std::string_view label = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (!isLabel(label))
            return false;
        if (dot == std::string_view::npos)
            return !isDigits(label);
        start = dot + 1;
    }
}

bool isIPv4(std::string_view text)
{
    boost::system::error_code ec;
    boost::asio::ip::make_address_v4(std::string(text), ec);
    return !ec;
}

bool isIPv6(std::string_view text)
{
    boost::system::error_code ec;
    boost::asio::ip::make_address_v6(std::string(text), ec);
    return !ec && text.find('%') == std::string_view::npos;
}

} // namespace

std::optional<std::string> HostAuthority::validated(std::string_view host)
{
    std::string_view name = host;
    std::string_view port;
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos || !isIPv6(host.substr(1, close - 1)))
            return std::nullopt;
        name = host.substr(0, close + 1);
        const std::string_view after = host.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return std::nullopt;
            port = after.substr(1);
            if (port.empty())
                return std::nullopt;
        }
    } else {
        const auto colon = host.find(':');
        if (colon != std::string_view::npos) {
            name = host.substr(0, colon);
            port = host.substr(colon + 1);
            if (port.empty())
                return std::nullopt;
        }
        if (!isDnsName(name) && !isIPv4(name))
            return std::nullopt;
    }
    if (port.empty())
        return std::string(name);
    if (!isDigits(port) || port.size() > 5)
        return std::nullopt;
    const int number = std::stoi(std::string(port));
    if (number < 1 || number > 65535)
        return std::nullopt;
    return std::string(name) + ':' + std::to_string(number);
}
