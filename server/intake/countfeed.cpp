#include "countfeed.h"

#include "livecount.h"
#include "reportstore.h"

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int Chunk = 10000;

} // namespace

CountFeed::CountFeed(ReportStore &store, LiveCount &count, std::chrono::milliseconds catchUp)
    : m_store(store),
      m_count(count),
      m_catchUp(catchUp)
{
}

CountFeed::~CountFeed()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::optional<LiveEvent> CountFeed::eventOf(const AuditRecord &r, const LiveCount &count)
{
    LiveEvent e;
    e.seq = r.seq;
    e.atMs = r.atMs;
    switch (r.kind) {
    case AuditRecord::Kind::New:
    case AuditRecord::Kind::Correction: {
        const auto district = count.districts().find(r.area, r.district);
        if (!district || !r.votes)
            throw std::runtime_error(QStringLiteral("lagret har en rapport (nr %1) för distrikt %2 i kommun %3, som "
                                                    "inte finns i valnattens data")
                                             .arg(r.seq).arg(r.district).arg(r.area).toStdString());
        e.kind = LiveEvent::Kind::Report;
        e.district = *district;
        e.figures = Figures{r.votes->yes, r.votes->no, r.votes->blank, r.votes->invalid};
        return e;
    }
    case AuditRecord::Kind::Final:
        e.kind = LiveEvent::Kind::Final;
        e.county = r.area == u"00" ? -1 : count.data().countyIndex(r.area);
        if (r.area != u"00" && e.county < 0)
            throw std::runtime_error(QStringLiteral("lagret har ett slutresultat (nr %1) för län %2, som inte finns i "
                                                    "valnattens data").arg(r.seq).arg(r.area).toStdString());
        return e;
    case AuditRecord::Kind::Identical:
    case AuditRecord::Kind::Refused:
        break;
    }
    return std::nullopt;
}

std::size_t CountFeed::readNew()
{
    const std::vector<AuditRecord> records = m_store.readAfter(m_lastSeq, Chunk);
    for (const AuditRecord &r : records) {
        if (const auto event = eventOf(r, m_count))
            m_count.add(*event);
        m_lastSeq = r.seq;
    }
    return records.size();
}

void CountFeed::load()
{
    m_count.setStartedMs(m_store.startedMs());
    while (readNew() == std::size_t(Chunk)) {
    }
}

void CountFeed::start()
{
    m_thread = std::thread([this] { run(); });
}

void CountFeed::run()
{
    bool failing = false;
    while (!m_stopping) {
        try {
            if (readNew() == std::size_t(Chunk))
                continue;
            if (failing)
                std::fprintf(stderr, "ksv-results-service: lagret svarar igen\n");
            failing = false;
            m_store.waitForNews(m_catchUp);
        } catch (const std::exception &e) {
            // Said once, not at every retry; the count stands still meanwhile.
            if (!failing)
                std::fprintf(stderr, "ksv-results-service: kan inte läsa lagret: %s\n", e.what());
            failing = true;
            std::this_thread::sleep_for(m_catchUp);
        }
    }
}
