#include "classicstyle.h"

#include <QStyleFactory>
#include <QStyleOptionHeader>

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

void ClassicStyle::drawControl(ControlElement element, const QStyleOption *option,
                               QPainter *painter, const QWidget *widget) const
{
    if (element == CE_HeaderEmptyArea) {
        QStyleOptionHeader empty;
        empty.QStyleOption::operator=(*option);
        empty.position = QStyleOptionHeader::End;
        QProxyStyle::drawControl(CE_HeaderSection, &empty, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}
