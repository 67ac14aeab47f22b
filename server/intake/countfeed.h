#pragma once

#include "auditrecord.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

class LiveCount;
class ReportStore;
struct LiveEvent;

// Brings what the store has committed, by this service or any replica, into the live count: at
// start the whole audit trail (so the counts are rebuilt from it), then whatever is new whenever
// the store says so, and every `catchUp` anyway, so that a lost notification only delays.
class CountFeed
{
public:
    // The store is used from the feed's own thread only once start() has run.
    CountFeed(ReportStore &store, LiveCount &count, std::chrono::milliseconds catchUp);
    ~CountFeed();

    CountFeed(const CountFeed &) = delete;
    CountFeed &operator=(const CountFeed &) = delete;

    // Reads the whole trail on the caller's thread; throws StoreError, or std::runtime_error for a
    // record of a district or county that the data does not have.
    void load();
    // Goes on reading on a thread of its own.
    void start();

    // The event a record makes in the count, if any.
    static std::optional<LiveEvent> eventOf(const AuditRecord &record, const LiveCount &count);

private:
    // How many records it read.
    std::size_t readNew();
    void run();

    ReportStore &m_store;
    LiveCount &m_count;
    const std::chrono::milliseconds m_catchUp;
    std::int64_t m_lastSeq = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
