#pragma once

#include "reportstore.h"

#include <QByteArray>

#include <memory>

// The store in a PostgreSQL database that any number of replicas share. Writers take turns on the
// night's one row, so seq follows commit order with no gaps; each commit sends a notification
// that wakes every replica's reader. A lost connection is made again on the next use.
class PostgresStore : public ReportStore
{
public:
    PostgresStore(const QString &uri, Access access);
    ~PostgresStore() override;

    std::unique_ptr<StoreTransaction> begin() override;
    std::vector<AuditRecord> readAfter(std::int64_t seq, int limit) override;
    std::int64_t startedMs() override;
    void waitForNews(std::chrono::milliseconds timeout) override;
    bool shared() const override { return true; }

private:
    class Connection;
    class Transaction;

    QByteArray m_uri;
    std::unique_ptr<Connection> m_writer;
    std::unique_ptr<Connection> m_reader;    // also listens
};
