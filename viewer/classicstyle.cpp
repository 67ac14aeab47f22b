#include "classicstyle.h"

#include <QStyleFactory>

ClassicStyle::ClassicStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
}

int ClassicStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    if (metric == PM_CheckBoxLabelSpacing)
        return 4;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
