#pragma once

#include "countstate.h"
#include "dataset.h"
#include "districttable.h"
#include "liveevent.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

// The count of a live night, made of the reports the store has committed. Events come in the
// store's order; an answer shows those committed at least `publishLag` ago, so that replicas that
// hear of an event at slightly different moments still show it from the same moment on and a
// viewer going round them never sees a count go back. They are shown in steps of `publishStep`
// of the wall clock, so that a burst of reports does not make every answer anew. Safe to use from
// several threads.
class LiveCount
{
public:
    LiveCount(DataSet data, DistrictTable districts, std::chrono::milliseconds publishLag = {},
              std::chrono::milliseconds publishStep = {});

    const DataSet &data() const { return m_data; }
    const DistrictTable &districts() const { return m_districts; }

    // When the night began: the time of answers with nothing reported.
    void setStartedMs(std::int64_t ms);
    // Takes the next events; any at or below lastSeq() are ones already taken and are skipped.
    void add(const LiveEvent &event);
    std::int64_t lastSeq() const;
    // What view().version would be at `nowMs`.
    std::int64_t version(std::int64_t nowMs);

    struct View
    {
        CountState state;
        std::int64_t newestMs = 0;    // the newest report in the area, or the night's start
        std::int64_t version = 0;     // changes whenever what the area shows may have
    };
    // The area's count (county index, or -1 for the whole country) at `nowMs`; with `final`, the
    // count it was declared final with, or the running count until it is.
    View view(int county, bool final, std::int64_t nowMs);

    struct CountyStatus
    {
        int ready = 0;
        int all = 0;
        bool final = false;
    };
    struct Status
    {
        std::vector<CountyStatus> counties;
        std::int64_t newestMs = 0;    // 0 before the first report
        std::int64_t events = 0;      // shown so far
        bool countryFinal = false;
    };
    Status status(std::int64_t nowMs);

private:
    struct Snapshot
    {
        std::vector<std::vector<Tally>> municipalities;
        std::int64_t newestMs = 0;
    };

    void publish(std::int64_t nowMs);
    void apply(const LiveEvent &event);
    std::int64_t newestIn(int county) const;

    const DataSet m_data;
    const DistrictTable m_districts;
    const std::chrono::milliseconds m_lag;
    const std::chrono::milliseconds m_step;

    mutable std::mutex m_mutex;
    std::int64_t m_startedMs = 0;
    std::int64_t m_lastSeq = 0;
    std::int64_t m_published = 0;
    std::deque<LiveEvent> m_pending;
    std::vector<std::optional<Figures>> m_figures;          // per district
    std::vector<std::vector<Tally>> m_municipalities;       // per county, per municipality
    std::vector<std::int64_t> m_countyNewestMs;
    std::int64_t m_newestMs = 0;
    std::vector<std::optional<Snapshot>> m_finals;          // per county, then the country's
};
