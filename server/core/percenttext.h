#pragma once

#include <QString>

#include <cstdint>

// A share in percent as the results are published: one decimal, decimal comma ("52,1"), rounded
// half away from zero on exact integers. Nothing to share out yet (whole == 0) is "0,0".
class PercentText
{
public:
    static QString of(std::int64_t part, std::int64_t whole);
};
