#include "twipscale.h"

#include <QtMath>

namespace {
constexpr qreal TwipsPerInch = 1440.0;
}

TwipScale::TwipScale(qreal logicalDpi)
    : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0)
{
}

int TwipScale::pixels(int twips) const
{
    return qRound(twips * m_dpi / TwipsPerInch);
}

QRect TwipScale::rect(int left, int top, int width, int height) const
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}
