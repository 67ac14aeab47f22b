#pragma once

#include "dataset.h"
#include "reporters.h"
#include "serviceoptions.h"

#include <memory>

class CountFeed;
class IntakeService;
class LiveCount;
class MetricsRegistry;
class ReportLedger;
class ReportStore;

// A live night put together: its store, reporters and districts, the count rebuilt from the store
// and kept up with it, and the intake that feeds the store. Throws DataSetError for a reporters
// or districts file that cannot be used, StoreError for a store that cannot be opened or read, and
// std::runtime_error for a store whose reports do not fit the data.
class LiveNight
{
public:
    // The metrics outlive the night.
    LiveNight(const DataSet &data, const ServiceOptions &options, MetricsRegistry &metrics);
    ~LiveNight();

    LiveNight(const LiveNight &) = delete;
    LiveNight &operator=(const LiveNight &) = delete;

    LiveCount &count() { return *m_count; }
    IntakeService &intake() { return *m_intake; }

    // How long a commit waits before every replica shows it: nothing on a store of one process.
    static std::chrono::milliseconds publishLag(const ReportStore &store);
    static constexpr std::chrono::milliseconds CatchUp{250};
    // Answers change at most this often during a burst of reports.
    static constexpr std::chrono::milliseconds PublishStep{200};

private:
    std::unique_ptr<ReportStore> m_store;
    Reporters m_reporters;
    std::unique_ptr<LiveCount> m_count;
    std::unique_ptr<ReportLedger> m_ledger;
    std::unique_ptr<CountFeed> m_feed;
    std::unique_ptr<IntakeService> m_intake;
};
