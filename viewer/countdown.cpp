#include "countdown.h"

bool Countdown::tick()
{
    if (m_secondsLeft == 0)
        return true;
    --m_secondsLeft;
    return false;
}

QString Countdown::text() const
{
    if (m_secondsLeft > 1)
        return QStringLiteral("Uppdatering om %1 sekunder").arg(m_secondsLeft);
    if (m_secondsLeft == 1)
        return QStringLiteral("Uppdatering om 1 sekund");
    return QStringLiteral("Uppdaterar!");
}
