#include "responsivewait.h"

#include <QCoreApplication>
#include <QEvent>

ResponsiveWait::ResponsiveWait()
{
    QCoreApplication::instance()->installEventFilter(this);
}

ResponsiveWait::~ResponsiveWait()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void ResponsiveWait::until(const std::function<bool()> &finished)
{
    // Qt counts a window manager's request to close as input, on every platform: it stays
    // queued with the rest. Where the dispatcher can, timers are not even looked at.
    constexpr QEventLoop::ProcessEventsFlags Flags = QEventLoop::ExcludeUserInputEvents
                                                    | QEventLoop::X11ExcludeTimers
                                                    | QEventLoop::WaitForMoreEvents;
    while (!finished())
        QCoreApplication::processEvents(Flags);
}

// Dispatchers that hold no timer back (Windows) deliver their events anyway: dropped, a periodic
// timer fires again after its interval, and no tick runs inside the handler that waits.
bool ResponsiveWait::eventFilter(QObject *, QEvent *event)
{
    return event->type() == QEvent::Timer;
}
