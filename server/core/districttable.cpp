#include "districttable.h"

#include "electionnight.h"

#include <algorithm>

namespace {

int keyOf(int county, int municipality)
{
    return county << 16 | municipality;
}

} // namespace

DistrictTable::DistrictTable(const DataSet &data, std::vector<Entry> entries)
    : m_entries(std::move(entries))
{
    const auto &counties = data.counties();
    for (int c = 0; c < int(counties.size()); ++c) {
        for (int m = 0; m < int(counties[std::size_t(c)].municipalities.size()); ++m)
            m_keyByCode.insert(counties[std::size_t(c)].municipalities[std::size_t(m)].code, keyOf(c, m));
    }
    for (int i = 0; i < int(m_entries.size()); ++i) {
        const Entry &e = m_entries[std::size_t(i)];
        auto &range = m_ranges[keyOf(e.county, e.municipality)];
        if (range.second == 0)
            range.first = i;
        ++range.second;
    }
}

DistrictTable DistrictTable::fromNight(const DataSet &data, const ElectionNight &night)
{
    std::vector<Entry> entries;
    entries.reserve(night.districts().size());
    for (const District &d : night.districts()) {
        entries.push_back(Entry{d.county, d.municipality, d.number,
                                QStringLiteral("Valdistrikt %1").arg(d.number), d.votes.electorate});
    }
    // The night keeps them in arrival order; a table goes by municipality and number.
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.county, a.municipality, a.number) < std::tie(b.county, b.municipality, b.number);
    });
    return DistrictTable(data, std::move(entries));
}

std::optional<int> DistrictTable::find(const QString &municipalityCode, int number) const
{
    const auto key = m_keyByCode.constFind(municipalityCode);
    if (key == m_keyByCode.cend())
        return std::nullopt;
    const auto range = m_ranges.value(*key);
    if (number < 1 || number > range.second)
        return std::nullopt;
    return range.first + number - 1;
}

int DistrictTable::countIn(int county, int municipality) const
{
    return m_ranges.value(keyOf(county, municipality)).second;
}
