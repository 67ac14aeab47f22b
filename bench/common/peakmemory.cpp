#include "peakmemory.h"

#include <QFile>

namespace {

qint64 statusField(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray wanted = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').front().toLongLong() * 1024;
    }
    return -1;
}

} // namespace

bool PeakMemory::reset()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

qint64 PeakMemory::residentBytes()
{
    return statusField("VmRSS");
}

qint64 PeakMemory::peakBytes()
{
    return statusField("VmHWM");
}
