#include "accessibleroles.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

QAccessibleInterface *interfaceFor(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String("NewFiguresNotice"))
        return new QAccessibleWidget(widget, QAccessible::Notification);
    return nullptr;
}

} // namespace

void AccessibleRoles::install()
{
    // QAccessible keeps a factory only once, however often it is installed.
    QAccessible::installFactory(interfaceFor);
}
