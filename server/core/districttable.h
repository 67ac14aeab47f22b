#pragma once

#include "dataset.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class ElectionNight;

// The voting districts of a live night, numbered 1..n within their municipality, each with its
// name and electorate. Immutable once made.
class DistrictTable
{
public:
    struct Entry
    {
        int county = 0;          // index into DataSet::counties()
        int municipality = 0;    // index into that county's municipalities
        int number = 0;          // 1..n within the municipality
        QString name;
        std::int64_t electorate = 0;
    };

    DistrictTable() = default;
    // Entries of the data set's municipalities, grouped by municipality in data set order and
    // numbered 1..n within each (the parser and fromNight() see to it).
    DistrictTable(const DataSet &data, std::vector<Entry> entries);

    // The districts as the replay splits the data set's municipalities.
    static DistrictTable fromNight(const DataSet &data, const ElectionNight &night);

    const std::vector<Entry> &entries() const { return m_entries; }
    // Index into entries(), or none for a district that does not exist.
    std::optional<int> find(const QString &municipalityCode, int number) const;
    // How many districts the municipality has.
    int countIn(int county, int municipality) const;

private:
    std::vector<Entry> m_entries;
    // Per municipality (keyed by county << 16 | municipality): its first entry and how many.
    QHash<int, std::pair<int, int>> m_ranges;
    QHash<QString, int> m_keyByCode;
};
