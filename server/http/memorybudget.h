#pragma once

#include <atomic>
#include <cstddef>

// Bytes of requests held in memory by all connections together (read buffers, heads, bodies),
// within a limit: past it a request is refused, rather than the process growing until it is
// killed. Each holder's share is a Lease. Thread-safe.
class MemoryBudget
{
public:
    explicit MemoryBudget(std::size_t limit) : m_limit(limit) {}

    // A holder's share. The first `allowance` bytes it holds are not charged: they are provided
    // for apart from the budget.
    class Lease
    {
    public:
        explicit Lease(MemoryBudget &budget, std::size_t allowance = 0) : m_budget(budget), m_allowance(allowance) {}
        ~Lease() { resize(0); }

        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;

        // Holds `bytes` from now on; false, holding what it held, if that would pass the limit.
        bool resize(std::size_t bytes);
        std::size_t held() const { return m_held; }

    private:
        std::size_t charged(std::size_t bytes) const { return bytes > m_allowance ? bytes - m_allowance : 0; }

        MemoryBudget &m_budget;
        const std::size_t m_allowance;
        std::size_t m_held = 0;
    };

    std::size_t limit() const { return m_limit; }
    std::size_t used() const { return m_used.load(std::memory_order_relaxed); }
    // The most that was in use since the last call.
    std::size_t takePeak();

private:
    bool take(std::size_t bytes);
    void give(std::size_t bytes);

    const std::size_t m_limit;
    std::atomic<std::size_t> m_used{0};
    std::atomic<std::size_t> m_peak{0};
};
