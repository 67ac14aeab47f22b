#pragma once

#include "httpanswer.h"

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/span_body.hpp>

#include <QByteArray>

// An answer on its way to the socket: the message Beast writes and the body it points into, kept
// together until the write is done.
class OutgoingAnswer
{
public:
    using Message = boost::beast::http::response<boost::beast::http::span_body<const char>>;

    // headersOnly: a HEAD answer, with the GET answer's headers and no body.
    void set(const HttpAnswer &answer, unsigned version, bool keepAlive, bool headersOnly);
    Message &message() { return m_message; }

private:
    QByteArray m_body;
    Message m_message;
};
