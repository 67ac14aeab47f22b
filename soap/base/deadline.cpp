#include "deadline.h"

#include "errornumbers.h"
#include "layererror.h"

#include <algorithm>
#include <climits>

namespace soap {

Deadline Deadline::after(std::chrono::milliseconds timeout, Clock::time_point latest)
{
    return Deadline(std::min(Clock::now() + timeout, latest), timeout);
}

Deadline Deadline::never()
{
    return Deadline(Clock::time_point::max(), std::chrono::milliseconds::max());
}

int Deadline::remainingMs() const
{
    if (m_end == Clock::time_point::max())
        return INT_MAX;
    // Rounded up: a wait of 0 ms would mean no wait at all.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_end - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, INT_MAX));
}

RaisedError Deadline::timeoutError(const QString &where) const
{
    const long long ms = m_timeout.count();
    const QString duration = ms % 1000 == 0 ? QStringLiteral("%1 sekunder").arg(ms / 1000)
                                            : QStringLiteral("%1 millisekunder").arg(ms);
    return LayerError::make(ErrorNumber::Timeout,
                            QStringLiteral("Inget fullständigt svar från %1 inom %2").arg(where, duration));
}

} // namespace soap
