#pragma once

#include <chrono>
#include <cstddef>

// What one client may send, how long it may take, and how many connections it may hold. The
// defaults are the service's; tests shorten the deadlines.
struct HttpLimits
{
    std::size_t maxBodyBytes = 64 * 1024;
    std::size_t maxHeaderBytes = 8 * 1024;    // request line and header fields together
    std::size_t maxHeaderLines = 100;         // header fields
    std::size_t maxBlankLines = 8;            // empty lines tolerated before a request line

    // Absolute, from the first byte of a request (from the accept for a connection's first one).
    std::chrono::milliseconds headDeadline = std::chrono::seconds(10);
    std::chrono::milliseconds requestDeadline = std::chrono::seconds(30);
    // For each answer, from the moment it is handed over.
    std::chrono::milliseconds writeDeadline = std::chrono::seconds(30);
    // A kept-alive connection with no new request; the shorter time once 90 % of
    // maxConnections are open.
    std::chrono::milliseconds idleTimeout = std::chrono::minutes(2);
    std::chrono::milliseconds pressedIdleTimeout = std::chrono::seconds(5);
    // After a refusal: how long, and how much, of what the client still sends is read and
    // discarded so that it sees the refusal rather than a reset.
    std::chrono::milliseconds lingerTime = std::chrono::seconds(1);
    std::size_t lingerBytes = 64 * 1024;

    int maxConnections = 10000;
    int maxConnectionsPerClient = 100;    // per client address (IPv6: per /64); 0: no such cap
    // About the most memory the process should take. What the process and maxConnections
    // connections need of their own is set aside; the rest is the budget for requests being read
    // (buffers, heads, bodies), past which a request gets 503.
    std::size_t memoryTarget = 128 * 1024 * 1024;

    // On a stop: how long requests already begun are given to be answered.
    std::chrono::milliseconds drainLimit = std::chrono::seconds(10);
};
