#include "replayclock.h"

#include <algorithm>

ReplayClock::ReplayClock()
{
    m_timer.start();
}

std::chrono::milliseconds ReplayClock::elapsed() const
{
    const std::int64_t frozen = m_frozenMs.load();
    if (frozen != running)
        return std::chrono::milliseconds(frozen);
    return std::chrono::milliseconds(m_timer.elapsed() + m_offsetMs.load());
}

void ReplayClock::setElapsed(std::chrono::milliseconds elapsed)
{
    m_frozenMs.store(std::max<std::int64_t>(0, elapsed.count()));
}

void ReplayClock::resume()
{
    const std::int64_t frozen = m_frozenMs.load();
    if (frozen == running)
        return;
    m_offsetMs.store(frozen - m_timer.elapsed());
    m_frozenMs.store(running);
}
