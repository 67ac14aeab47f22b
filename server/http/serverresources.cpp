#include "serverresources.h"

#include <algorithm>

ServerResources::ServerResources(const HttpLimits &limits, bool logRequests, int logDescriptor)
    : limits(limits),
      logWriter(logDescriptor),
      log(logRequests, logWriter),
      budget(std::max(requestBudget(limits), mostPerConnection(limits))),
      connectionSlots(limits.maxConnections, limits.maxConnectionsPerClient)
{
}

std::size_t ServerResources::requestBudget(const HttpLimits &limits)
{
    const std::size_t connections = std::size_t(std::max(1, limits.maxConnections));
    const std::size_t setAside = ProcessBytes + connections * ConnectionBytes;
    if (limits.memoryTarget <= setAside)
        return 0;
    return std::min(limits.memoryTarget - setAside, connections * mostPerConnection(limits));
}

std::size_t ServerResources::mostPerConnection(const HttpLimits &limits)
{
    // The head is held twice, in the read buffer and as parsed fields; the buffer at most doubles.
    return limits.maxBodyBytes + 4 * limits.maxHeaderBytes;
}
