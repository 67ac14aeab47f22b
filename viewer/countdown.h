#pragma once

#include <QString>

// The automatic refresh's count: the ticks left before the next refresh, and the status text
// that says so. It counts handled ticks, not time.
class Countdown
{
public:
    static constexpr int Length = 60;

    int value() const { return m_secondsLeft; }
    void restart() { m_secondsLeft = Length; }
    // Counts one tick down. Once the count has run out, the tick after it returns true instead:
    // the refresh is due, and the caller restarts the count when it is done, failed or not.
    bool tick();
    // "Uppdatering om 59 sekunder", "Uppdatering om 1 sekund", "Uppdaterar!" at 0.
    QString text() const;

private:
    int m_secondsLeft = 0;
};
