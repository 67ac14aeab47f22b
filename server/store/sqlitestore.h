#pragma once

#include "reportstore.h"

#include <condition_variable>
#include <memory>
#include <mutex>

struct sqlite3;

// The store in one SQLite file: WAL, and every commit synced to the disk before it returns
// (synchronous FULL). One connection writes, another reads, so an operator's reader or the
// service's own never waits for a commit. One service writes to a file at a time.
class SqliteStore : public ReportStore
{
public:
    SqliteStore(const QString &path, Access access);
    ~SqliteStore() override;

    std::unique_ptr<StoreTransaction> begin() override;
    std::vector<AuditRecord> readAfter(std::int64_t seq, int limit) override;
    std::int64_t startedMs() override;
    void waitForNews(std::chrono::milliseconds timeout) override;
    bool shared() const override { return false; }

private:
    class Transaction;
    struct Connection;

    void committed();

    std::unique_ptr<Connection> m_writer;
    std::unique_ptr<Connection> m_reader;
    std::mutex m_newsMutex;
    std::condition_variable m_news;
    std::int64_t m_commits = 0;
    std::int64_t m_commitsSeen = 0;
};
