#include "durations.h"

#include <algorithm>
#include <cmath>

std::vector<double> Durations::sorted() const
{
    std::vector<double> values = m_values;
    std::sort(values.begin(), values.end());
    return values;
}

double Durations::percentile(double p) const
{
    const std::vector<double> values = sorted();
    if (values.empty())
        return 0;
    const auto index = std::size_t(std::lround(p * double(values.size() - 1)));
    return values[std::min(index, values.size() - 1)];
}

double Durations::median() const
{
    return percentile(0.5);
}

double Durations::minimum() const
{
    return percentile(0);
}

QString Durations::summary() const
{
    return QStringLiteral("median %1 ms, p90 %2 ms, min %3 ms (n = %4)")
        .arg(median() / 1000, 0, 'f', 2)
        .arg(percentile(0.9) / 1000, 0, 'f', 2)
        .arg(minimum() / 1000, 0, 'f', 2)
        .arg(m_values.size());
}
