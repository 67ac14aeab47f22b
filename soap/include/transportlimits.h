#pragma once

#include <QtGlobal>

#include <chrono>

namespace soap {

// Bounds of one HTTP exchange. The time-out is a total deadline: connecting, redirects, the whole
// body; a server that trickles bytes forever is cut off like one that never answers.
struct TransportLimits
{
    std::chrono::milliseconds timeout = std::chrono::seconds(30);
    qint64 maxAnswerSize = qint64(256) * 1024 * 1024;
    int maxRedirects = 5;
};

} // namespace soap
