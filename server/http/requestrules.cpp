#include "requestrules.h"

#include "refusals.h"

#include <boost/beast/http/error.hpp>

#include <string>

namespace http = boost::beast::http;

HttpError RequestRules::headTooLarge(const HttpLimits &limits)
{
    return Refusals::error(Refusal::HeadTooLarge,
                           {std::to_string(limits.maxHeaderBytes), std::to_string(limits.maxHeaderLines)});
}

HttpError RequestRules::parseError(boost::beast::error_code ec, const HttpLimits &limits)
{
    if (ec == http::error::header_limit)
        return headTooLarge(limits);
    if (ec == http::error::body_limit)
        return Refusals::error(Refusal::BodyTooLarge, {std::to_string(limits.maxBodyBytes)});
    if (ec == http::error::bad_content_length || ec == http::error::bad_transfer_encoding)
        return Refusals::error(Refusal::BadFraming);
    if (ec == boost::system::errc::not_enough_memory)
        return Refusals::error(Refusal::OutOfMemory);
    return Refusals::error(Refusal::Malformed, {ec.message()});
}

void RequestRules::check(const http::request_header<> &head, std::string_view bytes, std::size_t lines,
                         const HttpLimits &limits)
{
    if (bytes.size() > limits.maxHeaderBytes || lines > limits.maxHeaderLines)
        throw headTooLarge(limits);
    if (bytes.find("\r\n ") != std::string_view::npos || bytes.find("\r\n\t") != std::string_view::npos)
        throw Refusals::error(Refusal::FoldedField);
    if (head.count(http::field::content_length) > 1
        || head[http::field::content_length].find(',') != std::string_view::npos)
        throw Refusals::error(Refusal::ContentLengthTwice);
    if (head.count(http::field::host) > 1)
        throw Refusals::error(Refusal::HostTwice);
    if (head.count(http::field::host) == 0 && head.version() >= 11)
        throw Refusals::error(Refusal::HostMissing);
    if (head.count(http::field::transfer_encoding) > 0) {
        if (head.count(http::field::content_length) > 0)
            throw Refusals::error(Refusal::LengthAndChunked);
        throw Refusals::error(Refusal::ChunkedOnly);
    }
}
