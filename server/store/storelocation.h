#pragma once

#include "reportstore.h"

#include <QString>

#include <memory>

// Where a store is: a file path for SQLite, or a postgresql:// (postgres://) connection URI.
class StoreLocation
{
public:
    // To write, it creates what is missing, and a new store's night starts now; to read, it must
    // be there.
    static std::unique_ptr<ReportStore> open(const QString &location,
                                             ReportStore::Access access = ReportStore::Access::ReadWrite);
    // The same location with any password hidden, for messages.
    static QString shown(const QString &location);
};
