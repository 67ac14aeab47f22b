#pragma once

#include <optional>
#include <string>
#include <string_view>

// The target of a request line, in origin form ("/path?query") or in absolute form
// ("http://host:port/path?query"), which proxies send and a server must take (RFC 9112, 3.2.2).
struct RequestTarget
{
    std::string path;                        // without the query
    std::optional<std::string> authority;    // of an absolute-form target: it stands for the Host

    // Throws HttpError 400 for an absolute-form target that is not an http or https URI with a
    // host and no user information.
    static RequestTarget parse(std::string_view target);
};
