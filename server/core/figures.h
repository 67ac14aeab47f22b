#pragma once

#include <cstdint>

// What one voting district reports: its votes by kind.
struct Figures
{
    std::int64_t yes = 0;
    std::int64_t no = 0;
    std::int64_t blank = 0;
    std::int64_t invalid = 0;

    std::int64_t cast() const { return yes + no + blank + invalid; }

    friend bool operator==(const Figures &a, const Figures &b)
    {
        return a.yes == b.yes && a.no == b.no && a.blank == b.blank && a.invalid == b.invalid;
    }
    friend bool operator!=(const Figures &a, const Figures &b) { return !(a == b); }
};
