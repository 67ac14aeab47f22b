#pragma once

#include <cstdint>

// Counted votes of a region, or of one voting district. `electorate` is that of the counted
// districts only, so turnout compares like with like while the count is partial.
struct Tally
{
    int readyDistricts = 0;
    int allDistricts = 0;
    std::int64_t electorate = 0;
    std::int64_t yes = 0;
    std::int64_t no = 0;
    std::int64_t blank = 0;
    std::int64_t invalid = 0;

    std::int64_t valid() const { return yes + no + blank; }
    std::int64_t cast() const { return valid() + invalid; }

    void add(const Tally &other)
    {
        readyDistricts += other.readyDistricts;
        allDistricts += other.allDistricts;
        electorate += other.electorate;
        yes += other.yes;
        no += other.no;
        blank += other.blank;
        invalid += other.invalid;
    }
};
