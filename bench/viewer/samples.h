#pragma once

#include <QString>

#include <vector>

// Timings of repeated runs, in milliseconds.
class Samples
{
public:
    void add(double milliseconds) { m_values.push_back(milliseconds); }

    double median() const;
    double min() const;
    double max() const;
    // "median 12.3 ms (min 11.0, max 15.2, n=20)"
    QString summary() const;

private:
    std::vector<double> m_values;
};
