#pragma once

#include "exchangeevent.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace soap {

// Hands events of one exchange from the network thread to the caller, who waits on a condition
// variable and so runs no event loop. Data is bounded: the producer stops reading from the socket
// while the queue is full, so a large answer is never held whole.
class ExchangeQueue
{
public:
    explicit ExchangeQueue(qsizetype capacity) : m_capacity(capacity) {}

    // Producer side.
    void push(ExchangeEvent event);
    // False when the queue is full; the producer is then owed a wake-up (see takeResumeRequest).
    bool hasRoom();

    // Consumer side: the next event, or none when the deadline passed first.
    std::optional<ExchangeEvent> pop(std::chrono::steady_clock::time_point deadline);
    // True once, when the producer found the queue full and there is room again.
    bool takeResumeRequest();

private:
    const qsizetype m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<ExchangeEvent> m_events;
    qsizetype m_bytes = 0;
    bool m_producerWaiting = false;
};

} // namespace soap
