#pragma once

#include "figures.h"

#include <cstdint>

// One change to a live night's count, in the order the store committed it: a district's figures
// (new or corrected), or a count declared final.
struct LiveEvent
{
    enum class Kind { Report, Final };

    Kind kind = Kind::Report;
    std::int64_t seq = 0;       // the store's order, from 1 with no gaps
    std::int64_t atMs = 0;      // when it was committed, ms since the epoch
    int district = -1;          // Report: index into DistrictTable::entries()
    Figures figures;            // Report
    int county = -1;            // Final: county index, -1 for the whole country
};
