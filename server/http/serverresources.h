#pragma once

#include "connectionslots.h"
#include "httplimits.h"
#include "logwriter.h"
#include "memorybudget.h"
#include "requestlog.h"

#include <atomic>
#include <cstddef>

// What every connection of a server shares, whichever listener took it: one of each per process.
struct ServerResources
{
    ServerResources(const HttpLimits &limits, bool logRequests, int logDescriptor = STDERR_FILENO);

    // The most one connection may hold of a request at once: a head, a body, a read buffer.
    static std::size_t mostPerConnection(const HttpLimits &limits);

    const HttpLimits limits;
    LogWriter logWriter;
    RequestLog log;
    // maxRequestMemory, or less when even every connection at its most would hold less.
    MemoryBudget budget;
    ConnectionSlots connectionSlots;
    std::atomic<bool> draining{false};
};
