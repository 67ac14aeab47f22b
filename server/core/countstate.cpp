#include "countstate.h"

#include <algorithm>

CountState::CountState(const DataSet &data, const ElectionNight &night, int arrived)
{
    const auto &counties = data.counties();
    m_counties.resize(counties.size());
    m_municipalities.resize(counties.size());
    for (std::size_t c = 0; c < counties.size(); ++c) {
        m_municipalities[c].resize(counties[c].municipalities.size());
        for (std::size_t m = 0; m < counties[c].municipalities.size(); ++m)
            m_municipalities[c][m].allDistricts = counties[c].municipalities[m].districts;
    }
    const auto &districts = night.districts();
    const auto in = std::clamp(arrived, 0, int(districts.size()));
    for (int i = 0; i < in; ++i) {
        const District &d = districts[std::size_t(i)];
        m_municipalities[std::size_t(d.county)][std::size_t(d.municipality)].add(d.votes);
    }
    sumUp();
}

CountState::CountState(std::vector<std::vector<Tally>> municipalities)
    : m_counties(municipalities.size()),
      m_municipalities(std::move(municipalities))
{
    sumUp();
}

void CountState::sumUp()
{
    for (std::size_t c = 0; c < m_municipalities.size(); ++c) {
        for (const Tally &t : m_municipalities[c])
            m_counties[c].add(t);
        m_country.add(m_counties[c]);
    }
}
