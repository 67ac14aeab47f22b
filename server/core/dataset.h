#pragma once

#include "county.h"

#include <QString>

#include <vector>

// The whole country: the counties in code order, each with its municipalities. Immutable once
// made; DataSetParser makes it and guarantees its invariants (codes well formed, unique and
// ordered).
class DataSet
{
public:
    DataSet() = default;
    explicit DataSet(std::vector<County> counties);

    const std::vector<County> &counties() const { return m_counties; }

    // Index of the county with this code, or -1.
    int countyIndex(const QString &code) const;

    int municipalityCount() const;
    int districtCount() const;

private:
    std::vector<County> m_counties;
};
