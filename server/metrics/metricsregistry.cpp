#include "metricsregistry.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

std::string escaped(const std::string &value)
{
    std::string out;
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string labelText(const MetricsRegistry::Labels &labels)
{
    std::string text;
    for (const auto &[name, value] : labels)
        text += (text.empty() ? "" : ",") + name + "=\"" + escaped(value) + '"';
    return text;
}

std::string number(double value)
{
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string braced(const std::string &labels, const std::string &extra = {})
{
    const std::string all = labels.empty() ? extra : extra.empty() ? labels : labels + ',' + extra;
    return all.empty() ? std::string() : '{' + all + '}';
}

} // namespace

void MetricsRegistry::describe(const std::string &name, Type type, const std::string &help, std::vector<double> bounds)
{
    std::lock_guard lock(m_mutex);
    Family &f = m_families[name];
    f.type = type;
    f.help = help;
    f.bounds = std::move(bounds);
}

void MetricsRegistry::counter(const std::string &name, const std::string &help)
{
    describe(name, Type::Counter, help, {});
}

void MetricsRegistry::gauge(const std::string &name, const std::string &help)
{
    describe(name, Type::Gauge, help, {});
}

void MetricsRegistry::histogram(const std::string &name, const std::string &help, std::vector<double> bounds)
{
    describe(name, Type::Histogram, help, std::move(bounds));
}

MetricsRegistry::Series &MetricsRegistry::seriesOf(const std::string &name, const Labels &labels)
{
    const auto family = m_families.find(name);
    if (family == m_families.end())
        throw std::logic_error("metric not described: " + name);
    Series &s = family->second.series[labelText(labels)];
    if (family->second.type == Type::Histogram && s.buckets.empty())
        s.buckets.resize(family->second.bounds.size());
    return s;
}

void MetricsRegistry::add(const std::string &name, const Labels &labels, double amount)
{
    std::lock_guard lock(m_mutex);
    seriesOf(name, labels).value += amount;
}

void MetricsRegistry::set(const std::string &name, const Labels &labels, double value)
{
    std::lock_guard lock(m_mutex);
    seriesOf(name, labels).value = value;
}

void MetricsRegistry::observe(const std::string &name, const Labels &labels, double value)
{
    std::lock_guard lock(m_mutex);
    Series &s = seriesOf(name, labels);
    const auto &bounds = m_families[name].bounds;
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        if (value <= bounds[i])
            s.buckets[i] += 1;
    }
    s.value += value;
    s.count += 1;
}

void MetricsRegistry::onCollect(std::function<void()> collector)
{
    m_collectors.push_back(std::move(collector));
}

std::string MetricsRegistry::text() const
{
    for (const auto &collect : m_collectors)
        collect();
    std::lock_guard lock(m_mutex);
    std::string out;
    for (const auto &[name, f] : m_families) {
        static const char *Types[] = {"counter", "gauge", "histogram"};
        out += "# HELP " + name + ' ' + f.help + "\n# TYPE " + name + ' ' + Types[int(f.type)] + '\n';
        for (const auto &[labels, s] : f.series) {
            if (f.type != Type::Histogram) {
                out += name + braced(labels) + ' ' + number(s.value) + '\n';
                continue;
            }
            for (std::size_t i = 0; i < f.bounds.size(); ++i)
                out += name + "_bucket" + braced(labels, "le=\"" + number(f.bounds[i]) + '"') + ' ' + number(s.buckets[i]) + '\n';
            out += name + "_bucket" + braced(labels, "le=\"+Inf\"") + ' ' + number(s.count) + '\n';
            out += name + "_sum" + braced(labels) + ' ' + number(s.value) + '\n';
            out += name + "_count" + braced(labels) + ' ' + number(s.count) + '\n';
        }
    }
    return out;
}
