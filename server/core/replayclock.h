#pragma once

#include <atomic>
#include <chrono>

// Time into the replayed night: the wall clock's time since the night's start, so that every
// process given the same start reads the same moment. Before the start it reads 0. Can be frozen
// at a set moment; safe to read and set from any thread (tests set it while the service answers
// on threads of its own).
class ReplayClock
{
public:
    using WallClock = std::chrono::system_clock;

    explicit ReplayClock(WallClock::time_point start = WallClock::now()) : m_start(start) {}

    std::chrono::milliseconds elapsed() const;

    // Freezes the night at `elapsed`.
    void setElapsed(std::chrono::milliseconds elapsed);
    // Lets the clock run again, on from its current reading.
    void resume();

private:
    static constexpr std::int64_t Running = -1;

    std::int64_t sinceStartMs() const;

    const WallClock::time_point m_start;
    std::atomic<std::int64_t> m_frozenMs{Running};
    std::atomic<std::int64_t> m_offsetMs{0};
};
