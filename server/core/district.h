#pragma once

#include "tally.h"

#include <cstdint>

// One voting district of the replayed night: whose it is, its share of the municipality's final
// count, and when its count comes in (milliseconds after the night starts).
struct District
{
    int county = 0;          // index into DataSet::counties()
    int municipality = 0;    // index into that county's municipalities
    int number = 0;          // 1..n within its municipality
    std::int64_t arrivalMs = 0;
    Tally votes;             // readyDistricts 1; allDistricts 0, it comes from the data set
};
