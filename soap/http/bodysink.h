#pragma once

#include "httpresponsehead.h"

#include <QtGlobal>

namespace soap {

// Takes an answer as it arrives. Throwing from any function ends the exchange at once.
class BodySink
{
public:
    virtual ~BodySink() = default;

    virtual void begin(const HttpResponseHead &head) = 0;
    virtual void append(const char *data, qsizetype size) = 0;

    // Where the next `size` bytes of body may be written in place, sparing a copy; null when the
    // sink keeps no such memory (append() then gets them). After writing n <= size bytes there,
    // the transport calls commit(n); a room never committed is simply given up.
    virtual char *room(qsizetype size)
    {
        Q_UNUSED(size);
        return nullptr;
    }
    virtual void commit(qsizetype size) { Q_UNUSED(size); }
};

} // namespace soap
