#pragma once

#include "outcome.h"
#include "submission.h"

#include <QHash>

class StoreTransaction;
struct AuditRecord;

// Decides one submission inside a store transaction and appends its audit records: a report is
// new (201), an identical repeat (200), a correction (200) or a conflict (409); a batch is taken
// whole or refused whole at its first bad line; a declaration is recorded.
class LedgerDecision
{
public:
    explicit LedgerDecision(StoreTransaction &transaction) : m_tx(transaction) {}

    Outcome decide(const Submission &s);

private:
    Outcome report(const Submission &s);
    Outcome batch(const Submission &s);
    Outcome final(const Submission &s);
    Outcome refusal(const Submission &s, int status, const QString &reason, int line = 0);
    AuditRecord recordOf(const Submission &s) const;

    StoreTransaction &m_tx;
};
