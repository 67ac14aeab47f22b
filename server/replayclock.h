#pragma once

#include <QElapsedTimer>

#include <atomic>
#include <chrono>

// Time into the replayed night. Runs from construction unless frozen at a set moment; safe to
// read and set from any thread (tests set it while the service answers on its own thread).
class ReplayClock
{
public:
    ReplayClock();

    std::chrono::milliseconds elapsed() const;

    // Freezes the night at `elapsed`.
    void setElapsed(std::chrono::milliseconds elapsed);
    // Lets the clock run again, on from its current reading.
    void resume();

private:
    static constexpr std::int64_t running = -1;

    QElapsedTimer m_timer;
    std::atomic<std::int64_t> m_frozenMs{running};
    std::atomic<std::int64_t> m_offsetMs{0};
};
