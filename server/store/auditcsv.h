#pragma once

#include "auditrecord.h"

#include <QByteArray>

// The audit trail as CSV for an operator (RFC 4180, UTF-8): a header line, then one record a
// line in store order, time in local ISO 8601 with milliseconds. A field that a spreadsheet would
// take for a formula (= + - @ first) is written with a ' before it.
class AuditCsv
{
public:
    static QByteArray header();
    static QByteArray line(const AuditRecord &record);
};
