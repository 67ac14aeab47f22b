#include "rowtexts.h"

#include "struct_QueryResult.h"

ResultsTableModel::Row RowTexts::of(const struct_QueryResult &record)
{
    const QString percentOpen = QStringLiteral("% (");
    const QString close = QStringLiteral(")");
    const QString percent = QStringLiteral("%");
    return {
        record.name(),
        record.yesPerc() + percentOpen + record.yesNum() + close,
        record.noPerc() + percentOpen + record.noNum() + close,
        record.blankPerc() + percentOpen + record.blankNum() + close,
        record.invalidNum(),
        record.turnoutPerc() + percent,
        record.readyDistricts(),
        record.allDistricts(),
    };
}
