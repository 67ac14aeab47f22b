#include "livecount.h"

LiveCount::LiveCount(DataSet data, DistrictTable districts, std::chrono::milliseconds publishLag,
                     std::chrono::milliseconds publishStep)
    : m_data(std::move(data)),
      m_districts(std::move(districts)),
      m_lag(publishLag),
      m_step(publishStep),
      m_figures(m_districts.entries().size())
{
    const auto &counties = m_data.counties();
    m_municipalities.resize(counties.size());
    for (int c = 0; c < int(counties.size()); ++c) {
        auto &tallies = m_municipalities[std::size_t(c)];
        tallies.resize(counties[std::size_t(c)].municipalities.size());
        for (int m = 0; m < int(tallies.size()); ++m)
            tallies[std::size_t(m)].allDistricts = m_districts.countIn(c, m);
    }
    m_countyNewestMs.resize(counties.size());
    m_finals.resize(counties.size() + 1);
}

void LiveCount::setStartedMs(std::int64_t ms)
{
    std::lock_guard lock(m_mutex);
    m_startedMs = ms;
}

void LiveCount::add(const LiveEvent &event)
{
    std::lock_guard lock(m_mutex);
    if (event.seq <= m_lastSeq)
        return;
    m_lastSeq = event.seq;
    m_pending.push_back(event);
}

std::int64_t LiveCount::lastSeq() const
{
    std::lock_guard lock(m_mutex);
    return m_lastSeq;
}

std::int64_t LiveCount::version(std::int64_t nowMs)
{
    std::lock_guard lock(m_mutex);
    publish(nowMs);
    return m_published;
}

void LiveCount::publish(std::int64_t nowMs)
{
    std::int64_t until = nowMs - m_lag.count();
    if (m_step.count() > 0)
        until -= until % m_step.count();
    while (!m_pending.empty() && m_pending.front().atMs <= until) {
        apply(m_pending.front());
        m_pending.pop_front();
        ++m_published;
    }
}

void LiveCount::apply(const LiveEvent &event)
{
    if (event.kind == LiveEvent::Kind::Final) {
        const int counties = int(m_municipalities.size());
        for (int c = 0; c < counties; ++c) {
            if (event.county < 0 || event.county == c)
                m_finals[std::size_t(c)] = Snapshot{{m_municipalities[std::size_t(c)]}, m_countyNewestMs[std::size_t(c)]};
        }
        if (event.county < 0)
            m_finals.back() = Snapshot{m_municipalities, m_newestMs};
        return;
    }
    if (event.district < 0 || event.district >= int(m_figures.size()))
        return;
    const DistrictTable::Entry &d = m_districts.entries()[std::size_t(event.district)];
    Tally &t = m_municipalities[std::size_t(d.county)][std::size_t(d.municipality)];
    auto &figures = m_figures[std::size_t(event.district)];
    if (figures) {
        t.readyDistricts -= 1;
        t.electorate -= d.electorate;
        t.yes -= figures->yes;
        t.no -= figures->no;
        t.blank -= figures->blank;
        t.invalid -= figures->invalid;
    }
    figures = event.figures;
    t.readyDistricts += 1;
    t.electorate += d.electorate;
    t.yes += figures->yes;
    t.no += figures->no;
    t.blank += figures->blank;
    t.invalid += figures->invalid;
    m_countyNewestMs[std::size_t(d.county)] = std::max(m_countyNewestMs[std::size_t(d.county)], event.atMs);
    m_newestMs = std::max(m_newestMs, event.atMs);
}

std::int64_t LiveCount::newestIn(int county) const
{
    const std::int64_t newest = county < 0 ? m_newestMs : m_countyNewestMs[std::size_t(county)];
    return newest > 0 ? newest : m_startedMs;
}

LiveCount::View LiveCount::view(int county, bool final, std::int64_t nowMs)
{
    std::lock_guard lock(m_mutex);
    publish(nowMs);
    const auto &snapshot = m_finals[county < 0 ? m_finals.size() - 1 : std::size_t(county)];
    if (final && snapshot) {
        if (county < 0)
            return View{CountState(snapshot->municipalities), std::max(snapshot->newestMs, m_startedMs), m_published};
        // Only the county's own municipalities were kept; the rest of the country stays empty.
        auto municipalities = m_municipalities;
        municipalities[std::size_t(county)] = snapshot->municipalities.front();
        return View{CountState(std::move(municipalities)), std::max(snapshot->newestMs, m_startedMs), m_published};
    }
    return View{CountState(m_municipalities), newestIn(county), m_published};
}

LiveCount::Status LiveCount::status(std::int64_t nowMs)
{
    std::lock_guard lock(m_mutex);
    publish(nowMs);
    Status status;
    for (std::size_t c = 0; c < m_municipalities.size(); ++c) {
        CountyStatus county;
        for (const Tally &t : m_municipalities[c]) {
            county.ready += t.readyDistricts;
            county.all += t.allDistricts;
        }
        county.final = m_finals[c].has_value();
        status.counties.push_back(county);
    }
    status.newestMs = m_newestMs;
    status.events = m_published;
    status.countryFinal = m_finals.back().has_value();
    return status;
}
