#include "livenight.h"

#include "countfeed.h"
#include "districtsfile.h"
#include "electionnight.h"
#include "intakeservice.h"
#include "livecount.h"
#include "reportledger.h"
#include "reportstore.h"
#include "storelocation.h"

namespace {

DistrictTable districtsOf(const DataSet &data, const ServiceOptions &options)
{
    if (!options.districtsFile.isEmpty())
        return DistrictsFile::read(options.districtsFile, data);
    // Only the split matters here, and it is the same for every seed and length.
    return DistrictTable::fromNight(data, ElectionNight(data, 0, std::chrono::minutes(1)));
}

} // namespace

LiveNight::LiveNight(const DataSet &data, const ServiceOptions &options, MetricsRegistry &metrics)
    : m_store(StoreLocation::open(options.store)),
      m_reporters(Reporters::read(options.reportersFile, data)),
      m_count(std::make_unique<LiveCount>(data, districtsOf(data, options), publishLag(*m_store), PublishStep)),
      m_ledger(std::make_unique<ReportLedger>(*m_store, metrics)),
      m_feed(std::make_unique<CountFeed>(*m_store, *m_count, CatchUp)),
      m_intake(std::make_unique<IntakeService>(m_reporters, *m_count, *m_ledger, metrics))
{
    m_feed->load();
    m_feed->start();
}

LiveNight::~LiveNight() = default;

std::chrono::milliseconds LiveNight::publishLag(const ReportStore &store)
{
    return store.shared() ? std::chrono::milliseconds(500) : std::chrono::milliseconds(0);
}
