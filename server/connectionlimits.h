#pragma once

#include <QtGlobal>

#include <chrono>

// What one connection may send and how long it may take over it.
struct ConnectionLimits
{
    qint64 maxBodySize = 64 * 1024;
    qint64 maxHeaderSize = 64 * 1024;
    // A request begun and not finished for this long is given up (408).
    std::chrono::milliseconds stallTimeout = std::chrono::seconds(30);
    // A keep-alive connection with no request for this long is closed.
    std::chrono::milliseconds idleTimeout = std::chrono::minutes(2);
};
