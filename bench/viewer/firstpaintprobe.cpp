#include "firstpaintprobe.h"

#include <QEvent>
#include <QMetaObject>

FirstPaintProbe::FirstPaintProbe(QObject *watched)
    : QObject(watched)
{
    watched->installEventFilter(this);
}

bool FirstPaintProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        watched->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &FirstPaintProbe::firstPainted, Qt::QueuedConnection);
    }
    return false;
}
