#pragma once

#include <QtGlobal>

#include <chrono>

namespace soap {

// Bounds of one HTTP exchange. The time-out is a total deadline: connecting, redirects, the whole
// body; a server that trickles bytes forever is cut off like one that never answers.
struct TransportLimits
{
    std::chrono::milliseconds timeout = std::chrono::seconds(30);
    // No exchange ends later than this, whatever its time-out leaves: exchanges made for one piece
    // of work (a WSDL fetch and the call after it) can share one time-out.
    std::chrono::steady_clock::time_point endsBy = std::chrono::steady_clock::time_point::max();
    qint64 maxAnswerSize = qint64(256) * 1024 * 1024;
    int maxRedirects = 5;
};

} // namespace soap
