#pragma once

#include "httperror.h"
#include "httplimits.h"

#include <boost/beast/core/error.hpp>
#include <boost/beast/http/message.hpp>

#include <cstddef>
#include <string_view>

// What the parser lets through and RFC 9112 or our limits do not, and what its own errors are to
// the client: each as the refusal it is answered with.
class RequestRules
{
public:
    static HttpError headTooLarge(const HttpLimits &limits);
    static HttpError parseError(boost::beast::error_code ec, const HttpLimits &limits);
    // A complete head: `bytes` as received, `lines` its header fields. Throws the refusal of the
    // first rule it breaks.
    static void check(const boost::beast::http::request_header<> &head, std::string_view bytes, std::size_t lines,
                      const HttpLimits &limits);
};
