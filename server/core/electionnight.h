#pragma once

#include "dataset.h"
#include "district.h"

#include <chrono>
#include <cstdint>
#include <vector>

// The replayed election night: every municipality's final count split over its voting districts
// (the same split for every seed, summing exactly to the final count), and each district given an
// arrival time in [0, length) drawn from the seed. A district is counted once the elapsed time
// has passed its arrival time, so nothing is in at the start and everything is in at `length`.
class ElectionNight
{
public:
    ElectionNight(const DataSet &data, std::uint64_t seed, std::chrono::milliseconds length);

    // In arrival order.
    const std::vector<District> &districts() const { return m_districts; }

    // How many districts are in after `elapsed`; the first that many of districts() are.
    int arrivedBy(std::chrono::milliseconds elapsed) const;
    int districtCount() const { return int(m_districts.size()); }

private:
    std::vector<District> m_districts;
};
