#include "memorybudget.h"

bool MemoryBudget::Lease::resize(std::size_t bytes)
{
    const std::size_t before = charged(m_held);
    const std::size_t after = charged(bytes);
    if (after > before) {
        if (!m_budget.take(after - before))
            return false;
    } else {
        m_budget.give(before - after);
    }
    m_held = bytes;
    return true;
}

bool MemoryBudget::take(std::size_t bytes)
{
    std::size_t used = m_used.load(std::memory_order_relaxed);
    do {
        if (bytes > m_limit - used)
            return false;
    } while (!m_used.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
    for (std::size_t peak = m_peak.load(std::memory_order_relaxed);
         peak < used + bytes && !m_peak.compare_exchange_weak(peak, used + bytes, std::memory_order_relaxed);) {}
    return true;
}

void MemoryBudget::give(std::size_t bytes)
{
    m_used.fetch_sub(bytes, std::memory_order_relaxed);
}

std::size_t MemoryBudget::takePeak()
{
    return m_peak.exchange(used(), std::memory_order_relaxed);
}
