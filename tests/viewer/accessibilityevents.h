#pragma once

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <utility>

// Switches Qt's accessibility on, as a screen reader does, and records what the widgets tell it
// while this lives. Only the platform's private interface can switch it on.
class AccessibilityEvents
{
public:
    struct Event
    {
        QAccessible::Event type;
        QAccessible::Role role;
        QString name;
    };

    AccessibilityEvents() { setActive(true); }
    ~AccessibilityEvents() { setActive(false); }

    static QList<Event> take() { return std::exchange(events(), {}); }

private:
    static void setActive(bool active)
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
        QAccessible::installUpdateHandler(active ? record : nullptr);
        take();
    }
    static void record(QAccessibleEvent *event)
    {
        QAccessibleInterface *iface = event->accessibleInterface();
        events().append({event->type(), iface->role(), iface->text(QAccessible::Name)});
    }
    static QList<Event> &events()
    {
        static QList<Event> list;
        return list;
    }
};
