#pragma once

#include "raisederror.h"

#include <QString>

#include <chrono>

namespace soap {

// The moment by which a whole call must be done: the WSDL fetched and read, or the request sent,
// the answer received and decoded. Every wait and every decoding step looks at it, so a call ends
// with Timeout at its deadline whatever the server sends.
class Deadline
{
public:
    using Clock = std::chrono::steady_clock;

    // No later than `latest`; a time-out still names `timeout`, the limit the caller set.
    static Deadline after(std::chrono::milliseconds timeout,
                          Clock::time_point latest = Clock::time_point::max());
    // A deadline that never passes, for reading what is already at hand.
    static Deadline never();

    bool passed() const { return Clock::now() >= m_end; }
    // What is left, at least 1 ms while not passed (0 means "do not wait" to Qt's waits).
    int remainingMs() const;
    // "Inget fullständigt svar från <where> inom 30 sekunder"
    RaisedError timeoutError(const QString &where) const;
    void check(const QString &where) const
    {
        if (passed())
            throw timeoutError(where);
    }

private:
    Deadline(Clock::time_point end, std::chrono::milliseconds timeout) : m_end(end), m_timeout(timeout) {}

    Clock::time_point m_end;
    std::chrono::milliseconds m_timeout;
};

} // namespace soap
