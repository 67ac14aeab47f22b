#include "replayclock.h"

#include <algorithm>

std::int64_t ReplayClock::sinceStartMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(WallClock::now() - m_start).count();
}

std::chrono::milliseconds ReplayClock::elapsed() const
{
    const std::int64_t frozen = m_frozenMs.load();
    if (frozen != Running)
        return std::chrono::milliseconds(frozen);
    return std::chrono::milliseconds(std::max<std::int64_t>(0, sinceStartMs() + m_offsetMs.load()));
}

void ReplayClock::setElapsed(std::chrono::milliseconds elapsed)
{
    m_frozenMs.store(std::max<std::int64_t>(0, elapsed.count()));
}

void ReplayClock::resume()
{
    const std::int64_t frozen = m_frozenMs.load();
    if (frozen == Running)
        return;
    m_offsetMs.store(frozen - sinceStartMs());
    m_frozenMs.store(Running);
}
