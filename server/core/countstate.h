#pragma once

#include "dataset.h"
#include "electionnight.h"
#include "tally.h"

#include <vector>

// The tallies of every region: of a replayed night once its first `arrived` districts are in, or
// of a live night.
class CountState
{
public:
    CountState(const DataSet &data, const ElectionNight &night, int arrived);
    // From each county's municipality tallies, as a live night keeps them.
    explicit CountState(std::vector<std::vector<Tally>> municipalities);

    const Tally &country() const { return m_country; }
    const Tally &county(int county) const { return m_counties[std::size_t(county)]; }
    const Tally &municipality(int county, int municipality) const
    {
        return m_municipalities[std::size_t(county)][std::size_t(municipality)];
    }

private:
    void sumUp();

    Tally m_country;
    std::vector<Tally> m_counties;
    std::vector<std::vector<Tally>> m_municipalities;
};
