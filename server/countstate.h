#pragma once

#include "dataset.h"
#include "electionnight.h"
#include "tally.h"

#include <vector>

// The tallies of every region once the first `arrived` districts of the night are in.
class CountState
{
public:
    CountState(const DataSet &data, const ElectionNight &night, int arrived);

    const Tally &country() const { return m_country; }
    const Tally &county(int county) const { return m_counties[std::size_t(county)]; }
    const Tally &municipality(int county, int municipality) const
    {
        return m_municipalities[std::size_t(county)][std::size_t(municipality)];
    }

private:
    Tally m_country;
    std::vector<Tally> m_counties;
    std::vector<std::vector<Tally>> m_municipalities;
};
