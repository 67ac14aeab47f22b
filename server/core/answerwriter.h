#pragma once

#include "resultrow.h"
#include "wirestyle.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Writes the SOAP 1.1 rpc/encoded answer of an operation: a SOAP-encoded array of QueryResult.
class AnswerWriter
{
public:
    explicit AnswerWriter(WireStyle style) : m_style(style) {}

    QByteArray write(const QString &operation, const std::vector<ResultRow> &rows) const;

private:
    WireStyle m_style;
};
