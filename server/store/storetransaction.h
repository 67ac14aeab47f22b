#pragma once

#include "auditrecord.h"

#include <QString>

#include <cstdint>
#include <optional>

// One write to the store: the audit records it appends and the districts' current figures it
// sets are kept together at commit(), or not at all. Destroyed without commit(), it rolls back.
// Every failure throws StoreError.
class StoreTransaction
{
public:
    virtual ~StoreTransaction() = default;

    // The store's clock; records appended in this transaction take this time.
    virtual std::int64_t nowMs() const = 0;
    // The district's figures as last set, in this transaction or a committed one.
    virtual std::optional<AuditRecord::Votes> current(const QString &municipality, int district) = 0;
    virtual void setCurrent(const QString &municipality, int district, const AuditRecord::Votes &votes) = 0;
    // Gives the record its seq and time and appends it.
    virtual void append(AuditRecord &record) = 0;
    // Durable once it returns.
    virtual void commit() = 0;
};
