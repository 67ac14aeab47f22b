#pragma once

#include "httpanswer.h"
#include "httperror.h"
#include "refusal.h"

#include <initializer_list>
#include <string>
#include <string_view>

// What the client gets for each refusal, all in one table: the status and the text of the
// answer, whose "{}" take the figures given, in order. Session, routes and listener answer from
// it; every answer with 503 says when to try again.
class Refusals
{
public:
    using Figures = std::initializer_list<std::string_view>;

    static int status(Refusal refusal);
    // The text with its figures.
    static std::string text(Refusal refusal, Figures figures = {});
    // "server-full", "client-full", "out-of-memory": in the request log, and as a metrics label;
    // empty for the refusals of one request.
    static std::string_view name(Refusal refusal);

    // To throw where the fault is found.
    static HttpError error(Refusal refusal, Figures figures = {});
    // A route's answer.
    static HttpAnswer answer(Refusal refusal, Figures figures = {});
    // The whole answer, ready to send on a connection that closes after it.
    static std::string closingAnswer(Refusal refusal);

    // Retry-After of every 503.
    static constexpr std::string_view RetryAfter = "5";
};
