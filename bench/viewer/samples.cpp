#include "samples.h"

#include <algorithm>

double Samples::median() const
{
    if (m_values.empty())
        return 0;
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t mid = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

double Samples::min() const
{
    return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end());
}

double Samples::max() const
{
    return m_values.empty() ? 0 : *std::max_element(m_values.begin(), m_values.end());
}

QString Samples::summary() const
{
    return QStringLiteral("median %1 ms (min %2, max %3, n=%4)")
        .arg(median(), 0, 'f', 1)
        .arg(min(), 0, 'f', 1)
        .arg(max(), 0, 'f', 1)
        .arg(m_values.size());
}
