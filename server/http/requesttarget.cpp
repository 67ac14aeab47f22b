#include "requesttarget.h"

#include "refusals.h"

#include <algorithm>
#include <cctype>

namespace {

bool isScheme(std::string_view s)
{
    return !s.empty() && std::isalpha(static_cast<unsigned char>(s.front()))
            && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '+' || c == '-' || c == '.'; });
}

bool equalsLower(std::string_view s, std::string_view lower)
{
    return s.size() == lower.size()
            && std::equal(s.begin(), s.end(), lower.begin(), [](unsigned char a, char b) { return std::tolower(a) == b; });
}

std::string_view withoutQuery(std::string_view target)
{
    return target.substr(0, target.find_first_of("?#"));
}

} // namespace

RequestTarget RequestTarget::parse(std::string_view target)
{
    const auto colon = target.find("://");
    if (target.empty() || target.front() == '/' || colon == std::string_view::npos || !isScheme(target.substr(0, colon)))
        return {std::string(withoutQuery(target)), std::nullopt};
    const std::string_view scheme = target.substr(0, colon);
    if (!equalsLower(scheme, "http") && !equalsLower(scheme, "https"))
        throw Refusals::error(Refusal::TargetScheme);
    const std::string_view rest = target.substr(colon + 3);
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.empty() || authority.find('@') != std::string_view::npos)
        throw Refusals::error(Refusal::TargetAuthority);
    // What follows the authority starts with '/', '?' or '#', or is empty.
    const std::string_view path = withoutQuery(rest.substr(authority.size()));
    return {path.empty() ? std::string("/") : std::string(path), std::string(authority)};
}
