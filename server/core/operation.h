#pragma once

#include <QString>

#include <array>

// One of the service's four operations: its name, whether it takes a county code, and whether
// it serves the final count (Slutsam) or the election-night count (Valnatt).
struct Operation
{
    QString name;
    bool takesCounty = false;
    bool finalCount = false;

    QString soapAction() const;

    static const std::array<Operation, 4> &all();
    // nullptr when there is no such operation
    static const Operation *find(const QString &name);
    // The name of the county operations' one part.
    static QString countyPart() { return QStringLiteral("county"); }
};
