#pragma once

#include <QProxyStyle>

// Fusion with the check box's text as close to its box as the classic Windows controls drew it
// (the layout's check box is only just wide enough for its caption), and a table header that runs
// on past its last column as an empty header, as the classic report view's did.
class ClassicStyle : public QProxyStyle
{
    Q_OBJECT

public:
    ClassicStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};
