#pragma once

#include "auditrecord.h"
#include "storetransaction.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

// Where a live night keeps its audit trail and the districts' current figures: SQLite in a file,
// or PostgreSQL shared by replicas. Transactions come one at a time from one thread (the writer);
// reading and waiting from one other thread (the reader). Every failure throws StoreError.
class ReportStore
{
public:
    virtual ~ReportStore() = default;

    // StoreLocation opens one.
    enum class Access { ReadWrite, ReadOnly };

    virtual std::unique_ptr<StoreTransaction> begin() = 0;

    // Audit records after `seq`, in order, at most `limit` of them.
    virtual std::vector<AuditRecord> readAfter(std::int64_t seq, int limit) = 0;
    // When the night began (ms since the epoch): when the store was made.
    virtual std::int64_t startedMs() = 0;
    // Returns when others may have committed, or after `timeout`.
    virtual void waitForNews(std::chrono::milliseconds timeout) = 0;
    // Whether other processes write to this store too: then answers lag a little behind commits
    // so that every replica shows a report from the same moment on.
    virtual bool shared() const = 0;
};
