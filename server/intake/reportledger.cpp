#include "reportledger.h"

#include "ledgerdecision.h"
#include "metricsregistry.h"
#include "reportstore.h"

#include <chrono>
#include <cstdio>

ReportLedger::ReportLedger(ReportStore &store, MetricsRegistry &metrics)
    : m_store(store),
      m_metrics(metrics)
{
    m_metrics.histogram("ksv_store_commit_seconds", "Time to commit one transaction to the store, sync included.",
                        {0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5});
    m_metrics.counter("ksv_store_failures_total", "Transactions the store failed to commit.");
    m_metrics.counter("ksv_reports_total", "Reports taken, by outcome (new, identical, correction, refused) and reason.");
    m_thread = std::thread([this] { run(); });
}

ReportLedger::~ReportLedger()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

Outcome ReportLedger::submit(Submission submission)
{
    std::future<Outcome> future;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.size() >= MaxQueued || m_stopping) {
            Outcome busy;
            busy.text = QStringLiteral("Tjänsten hinner inte spara fler rapporter just nu; försök igen om en stund.");
            return busy;
        }
        m_queue.push_back(Pending{std::move(submission), {}});
        future = m_queue.back().promise.get_future();
    }
    m_wake.notify_one();
    return future.get();
}

void ReportLedger::run()
{
    for (;;) {
        std::deque<Pending> batch;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            while (!m_queue.empty() && batch.size() < MaxPerCommit) {
                batch.push_back(std::move(m_queue.front()));
                m_queue.pop_front();
            }
        }
        write(batch);
    }
}

namespace {

std::string outcomeName(const Submission &s, const Outcome &o)
{
    if (o.status >= 400)
        return "refused";
    if (s.kind == Submission::Kind::Final)
        return "final";
    if (o.corrected)
        return "correction";
    return o.added > 0 ? "new" : "identical";
}

std::string reasonName(int status)
{
    switch (status) {
    case 400: return "malformed";
    case 401: return "unauthenticated";
    case 403: return "forbidden";
    case 404: return "no_such_district";
    case 409: return "conflict";
    case 422: return "invalid_figures";
    default: return status < 400 ? "" : "other";
    }
}

} // namespace

void ReportLedger::write(std::deque<Pending> &batch)
{
    std::vector<Outcome> outcomes;
    const auto began = std::chrono::steady_clock::now();
    try {
        const auto transaction = m_store.begin();
        LedgerDecision decision(*transaction);
        for (const Pending &p : batch)
            outcomes.push_back(decision.decide(p.submission));
        transaction->commit();
    } catch (const std::exception &e) {
        // StoreError, or anything else a commit might throw: nothing of it is kept either way.
        std::fprintf(stderr, "ksv-results-service: %s\n", e.what());
        m_metrics.add("ksv_store_failures_total");
        for (Pending &p : batch) {
            Outcome failed;
            failed.text = QStringLiteral("Rapporten kunde inte sparas (lagret svarar inte); försök igen.");
            p.promise.set_value(failed);
        }
        return;
    }
    m_metrics.observe("ksv_store_commit_seconds", {},
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const Outcome &o = outcomes[i];
        const Submission &s = batch[i].submission;
        if (s.kind == Submission::Kind::Batch && o.status < 400) {
            m_metrics.add("ksv_reports_total", {{"outcome", "new"}, {"reason", ""}}, o.added);
            m_metrics.add("ksv_reports_total", {{"outcome", "identical"}, {"reason", ""}}, o.identical);
        } else if (s.kind != Submission::Kind::Final) {
            m_metrics.add("ksv_reports_total", {{"outcome", outcomeName(s, o)}, {"reason", reasonName(o.status)}});
        }
        batch[i].promise.set_value(o);
    }
}
