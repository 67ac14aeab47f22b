#pragma once

#include <QByteArray>
#include <QString>

// One request ksv-report sends, and how it is named in the summary.
struct ReportJob
{
    QByteArray method;      // PUT or POST
    QString path;
    QByteArray body;
    QByteArray contentType;
    QString label;          // "0114/3", "rapporter.csv", "slutresultat 01"
    int reports = 1;        // how many reports it carries
};
