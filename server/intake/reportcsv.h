#pragma once

#include "figures.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A CSV of many reports: UTF-8, the header line municipality,district,yes,no,blank,invalid, then
// one district a line. Fields may be quoted ("0114"); lines end in LF or CRLF; empty lines are
// ignored. The first line that cannot be read is refused with 422 naming it (IntakeRefusal).
// Both the service and ksv-report read CSV with it.
struct ReportCsv
{
    struct Line
    {
        int line = 0;    // in the file, from 1 (the header)
        QString municipality;
        int district = 0;
        Figures figures;
    };

    static std::vector<Line> read(const QByteArray &csv);
    static QByteArray header() { return QByteArrayLiteral("municipality,district,yes,no,blank,invalid"); }
};
