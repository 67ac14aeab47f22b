#include "exchangequeue.h"

namespace soap {

void ExchangeQueue::push(ExchangeEvent event)
{
    {
        std::lock_guard lock(m_mutex);
        m_bytes += event.data.size();
        m_events.push_back(std::move(event));
    }
    m_changed.notify_one();
}

bool ExchangeQueue::hasRoom()
{
    std::lock_guard lock(m_mutex);
    if (m_bytes < m_capacity)
        return true;
    m_producerWaiting = true;
    return false;
}

std::optional<ExchangeEvent> ExchangeQueue::pop(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_until(lock, deadline, [this] { return !m_events.empty(); }))
        return std::nullopt;
    ExchangeEvent event = std::move(m_events.front());
    m_events.pop_front();
    m_bytes -= event.data.size();
    return event;
}

bool ExchangeQueue::takeResumeRequest()
{
    std::lock_guard lock(m_mutex);
    // Resume at half full so the producer is not woken for every chunk.
    if (!m_producerWaiting || m_bytes > m_capacity / 2)
        return false;
    m_producerWaiting = false;
    return true;
}

} // namespace soap
