#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// One person allowed to send reports: the SHA-256 of their token (never the token), the counties
// they may report, and whether they may also declare counts final.
struct Reporter
{
    QString name;
    QByteArray tokenHash;        // 32 bytes
    QStringList counties;        // two-digit codes; empty with allCounties
    bool allCounties = false;
    bool admin = false;

    bool mayReport(const QString &countyCode) const { return allCounties || counties.contains(countyCode); }
};
