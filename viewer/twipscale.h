#pragma once

#include <QRect>

// The layout is kept in twips; this turns them into pixels at a display's logical resolution
// (15 twips a pixel at 96 dpi), so the window keeps its proportions on denser screens.
class TwipScale
{
public:
    explicit TwipScale(qreal logicalDpi);

    int pixels(int twips) const;
    QRect rect(int left, int top, int width, int height) const;

private:
    qreal m_dpi;
};
