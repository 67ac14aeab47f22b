#pragma once

#include "countstate.h"
#include "dataset.h"
#include "resultrow.h"

#include <QString>

#include <vector>

// Turns tallies into the rows of an answer: the country row and the 21 county rows, or one
// county row and its municipality rows.
class ResultRowBuilder
{
public:
    ResultRowBuilder(const DataSet &data, const CountState &state, QString generated);

    std::vector<ResultRow> countryRows() const;
    std::vector<ResultRow> countyRows(int county) const;

    static ResultRow row(const QString &generated, const QString &resultType, const QString &code,
                         const QString &name, const Tally &tally);

private:
    const DataSet &m_data;
    const CountState &m_state;
    QString m_generated;
};
