#pragma once

#include "httpresponsehead.h"

#include <QtGlobal>

namespace soap {

// Takes an answer as it arrives. Throwing from either function ends the exchange at once.
class BodySink
{
public:
    virtual ~BodySink() = default;

    virtual void begin(const HttpResponseHead &head) = 0;
    virtual void append(const char *data, qsizetype size) = 0;
};

} // namespace soap
