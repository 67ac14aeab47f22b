#pragma once

#include "municipality.h"

#include <QString>

#include <vector>

// A county and its municipalities, in code order. Its figures are their sums.
struct County
{
    QString code;    // two digits
    QString name;
    std::vector<Municipality> municipalities;
};
