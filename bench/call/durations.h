#pragma once

#include <QString>

#include <vector>

// Timings of repeated runs, in microseconds, and their summary line.
class Durations
{
public:
    void add(double microseconds) { m_values.push_back(microseconds); }
    double median() const;
    double percentile(double p) const;
    double minimum() const;
    // "median 1.23 ms, p90 1.50 ms, min 1.01 ms (n = 200)"
    QString summary() const;

private:
    std::vector<double> sorted() const;
    std::vector<double> m_values;
};
