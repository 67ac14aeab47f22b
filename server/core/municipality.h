#pragma once

#include <QString>

#include <cstdint>

// One municipality's final count, as the data set states it.
struct Municipality
{
    QString code;    // four digits, starting with the county's code
    QString name;
    int districts = 0;
    std::int64_t electorate = 0;
    std::int64_t yes = 0;
    std::int64_t no = 0;
    std::int64_t blank = 0;
    std::int64_t invalid = 0;
};
