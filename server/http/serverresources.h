#pragma once

#include "connectionslots.h"
#include "httplimits.h"
#include "logwriter.h"
#include "memorybudget.h"
#include "requestlog.h"

#include <atomic>
#include <string>

class MetricsRegistry;
#include <cstddef>

// What every connection of a server shares, whichever listener took it: one of each per process.
struct ServerResources
{
    ServerResources(const HttpLimits &limits, bool logRequests, int logDescriptor = STDERR_FILENO);

    // Set aside of the memory target: the process's own (data, code, answers, log queue) and
    // each connection's: its session, socket and timers (about 2.6 KiB measured) and the
    // allowance it may hold of a request outside the budget.
    static constexpr std::size_t ProcessBytes = 16 * 1024 * 1024;
    static constexpr std::size_t RequestAllowance = 4 * 1024;
    static constexpr std::size_t ConnectionBytes = 4 * 1024 + RequestAllowance;
    // What the memory target leaves for requests being read, at most what every connection at its
    // most would hold; 0 when the target does not cover the process and its connections.
    static std::size_t requestBudget(const HttpLimits &limits);
    // The most one connection may hold of a request at once: a head, a body, a read buffer.
    static std::size_t mostPerConnection(const HttpLimits &limits);

    const HttpLimits limits;
    LogWriter logWriter;
    RequestLog log;
    // requestBudget(), and never less than one request's most.
    MemoryBudget budget;
    ConnectionSlots connectionSlots;
    std::atomic<bool> draining{false};
    // Where requests and refusals are counted, if anywhere, and this server's name there.
    MetricsRegistry *metrics = nullptr;
    std::string name;
};
