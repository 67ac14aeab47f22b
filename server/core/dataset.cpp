#include "dataset.h"

DataSet::DataSet(std::vector<County> counties)
    : m_counties(std::move(counties))
{
}

int DataSet::countyIndex(const QString &code) const
{
    for (std::size_t i = 0; i < m_counties.size(); ++i) {
        if (m_counties[i].code == code)
            return static_cast<int>(i);
    }
    return -1;
}

int DataSet::municipalityCount() const
{
    int count = 0;
    for (const County &county : m_counties)
        count += static_cast<int>(county.municipalities.size());
    return count;
}

int DataSet::districtCount() const
{
    int count = 0;
    for (const County &county : m_counties) {
        for (const Municipality &m : county.municipalities)
            count += m.districts;
    }
    return count;
}
