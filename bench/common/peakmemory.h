#pragma once

#include <QtGlobal>

// The process's resident-memory high-water mark, from /proc/self. Resetting it (clear_refs 5)
// lets one process measure one step's peak without the history before it.
class PeakMemory
{
public:
    // False when the kernel does not let the mark be reset.
    static bool reset();
    static qint64 residentBytes();
    static qint64 peakBytes();
};
