#pragma once

#include <QObject>

#include <functional>

// A wait on the window's thread that keeps its windows alive and runs nothing of the program:
// they repaint when exposed and answer the window manager's pings, while input (a request to
// close included) and timer ticks wait for the end. Input is then handled in the order it came
// and an overdue timer ticks once, as after a handler that blocked. Qt's own posted events
// (repaint and layout requests) go through.
class ResponsiveWait : public QObject
{
public:
    ResponsiveWait();
    ~ResponsiveWait() override;

    ResponsiveWait(const ResponsiveWait &) = delete;
    ResponsiveWait &operator=(const ResponsiveWait &) = delete;

    // Returns once `finished` is true. It is asked each time the thread wakes: whoever makes it
    // true from another thread wakes this one (QAbstractEventDispatcher::wakeUp).
    void until(const std::function<bool()> &finished);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
