#include "percenttext.h"

QString PercentText::of(std::int64_t part, std::int64_t whole)
{
    if (whole <= 0 || part < 0)
        return QStringLiteral("0,0");
    // tenths of a percent = part * 1000 / whole, rounded half up; counts stay far below 2^53,
    // so part * 2000 cannot overflow.
    const std::int64_t tenths = (part * 2000 + whole) / (2 * whole);
    return QString::number(tenths / 10) + u',' + QString::number(tenths % 10);
}
