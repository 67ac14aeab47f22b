#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Counters, gauges and histograms, written out in Prometheus's text format (version 0.0.4). A
// family is described once, then its series are made as their labels first appear. Safe to use
// from several threads.
class MetricsRegistry
{
public:
    using Labels = std::vector<std::pair<std::string, std::string>>;

    void counter(const std::string &name, const std::string &help);
    void gauge(const std::string &name, const std::string &help);
    void histogram(const std::string &name, const std::string &help, std::vector<double> bounds);

    void add(const std::string &name, const Labels &labels = {}, double amount = 1);
    void set(const std::string &name, const Labels &labels, double value);
    void observe(const std::string &name, const Labels &labels, double value);

    // Runs before each text(): for figures read when asked, not counted as they happen.
    void onCollect(std::function<void()> collector);
    std::string text() const;

private:
    enum class Type { Counter, Gauge, Histogram };
    struct Series
    {
        double value = 0;               // counter, gauge; the sum of a histogram
        std::vector<double> buckets;    // histogram: observations at or below each bound
        double count = 0;
    };
    struct Family
    {
        Type type = Type::Counter;
        std::string help;
        std::vector<double> bounds;
        std::map<std::string, Series> series;    // by label text
    };

    void describe(const std::string &name, Type type, const std::string &help, std::vector<double> bounds);
    Series &seriesOf(const std::string &name, const Labels &labels);

    std::vector<std::function<void()>> m_collectors;    // set up before any text()
    mutable std::mutex m_mutex;
    std::map<std::string, Family> m_families;
};
