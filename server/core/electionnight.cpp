#include "electionnight.h"

#include <algorithm>
#include <array>
#include <random>

namespace {

// splitmix64: a fixed, well-mixed hash so the split depends on nothing but the data.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Splits `total` over the weights by largest remainder: exact sum, each share within one of its
// proportional value.
std::vector<std::int64_t> split(std::int64_t total, const std::vector<std::int64_t> &weights,
                                std::int64_t weightSum)
{
    const std::size_t n = weights.size();
    std::vector<std::int64_t> shares(n);
    std::vector<std::pair<std::int64_t, std::size_t>> remainders(n);
    std::int64_t given = 0;
    for (std::size_t i = 0; i < n; ++i) {
        // total < 1e9 and weights < 2^11, so the product stays well inside 64 bits
        shares[i] = total * weights[i] / weightSum;
        remainders[i] = {total * weights[i] % weightSum, i};
        given += shares[i];
    }
    std::sort(remainders.begin(), remainders.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (std::int64_t k = 0; k < total - given; ++k)
        ++shares[remainders[std::size_t(k)].second];
    return shares;
}

void addDistricts(std::vector<District> &out, int countyIndex, int municipalityIndex,
                  const Municipality &m)
{
    const auto n = std::size_t(m.districts);
    std::vector<std::int64_t> weights(n);
    std::int64_t weightSum = 0;
    const std::uint64_t base = m.code.toULongLong() << 20;
    for (std::size_t i = 0; i < n; ++i) {
        weights[i] = 600 + std::int64_t(mix(base + i) % 801);    // 600..1400: districts differ in size
        weightSum += weights[i];
    }
    // Non-voters are split too, so each district's electorate covers its own votes.
    const std::int64_t abstained = m.electorate - m.yes - m.no - m.blank - m.invalid;
    const auto yes = split(m.yes, weights, weightSum);
    const auto no = split(m.no, weights, weightSum);
    const auto blank = split(m.blank, weights, weightSum);
    const auto invalid = split(m.invalid, weights, weightSum);
    const auto rest = split(abstained, weights, weightSum);
    for (std::size_t i = 0; i < n; ++i) {
        District d;
        d.county = countyIndex;
        d.municipality = municipalityIndex;
        d.number = int(i) + 1;
        d.votes.readyDistricts = 1;
        d.votes.yes = yes[i];
        d.votes.no = no[i];
        d.votes.blank = blank[i];
        d.votes.invalid = invalid[i];
        d.votes.electorate = yes[i] + no[i] + blank[i] + invalid[i] + rest[i];
        out.push_back(d);
    }
}

} // namespace

ElectionNight::ElectionNight(const DataSet &data, std::uint64_t seed, std::chrono::milliseconds length)
{
    m_districts.reserve(std::size_t(data.districtCount()));
    const auto &counties = data.counties();
    for (std::size_t c = 0; c < counties.size(); ++c) {
        const auto &municipalities = counties[c].municipalities;
        for (std::size_t m = 0; m < municipalities.size(); ++m)
            addDistricts(m_districts, int(c), int(m), municipalities[m]);
    }
    // mt19937_64's output is fixed by the standard (unlike the distributions), so a seed gives
    // the same night on every platform.
    std::mt19937_64 random(seed);
    const auto span = std::uint64_t(std::max<std::int64_t>(1, length.count()));
    for (District &d : m_districts)
        d.arrivalMs = std::int64_t(random() % span);
    std::stable_sort(m_districts.begin(), m_districts.end(),
                     [](const District &a, const District &b) { return a.arrivalMs < b.arrivalMs; });
}

int ElectionNight::arrivedBy(std::chrono::milliseconds elapsed) const
{
    const auto firstNotIn = std::lower_bound(
        m_districts.begin(), m_districts.end(), elapsed.count(),
        [](const District &d, std::int64_t t) { return d.arrivalMs < t; });
    return int(firstNotIn - m_districts.begin());
}
