#pragma once

#include "outcome.h"
#include "submission.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

class MetricsRegistry;
class ReportStore;

// Writes what reporters send to the store before anyone is answered. One thread takes whatever
// has queued up and writes it in one transaction (many reporters, one sync to the disk), decides
// each against the figures the store holds (new, identical, conflict, correction), and only after
// the commit tells each waiting request what became of it. A failed commit keeps nothing and
// answers 503 to all of them, so a reporter sends again and nothing is counted twice.
class ReportLedger
{
public:
    ReportLedger(ReportStore &store, MetricsRegistry &metrics);
    ~ReportLedger();

    ReportLedger(const ReportLedger &) = delete;
    ReportLedger &operator=(const ReportLedger &) = delete;

    // The outcome, once it is stored (or the store has failed). With the queue full, 503 at once.
    Outcome submit(Submission submission);

    static constexpr std::size_t MaxQueued = 4096;
    static constexpr std::size_t MaxPerCommit = 512;

private:
    struct Pending
    {
        Submission submission;
        std::promise<Outcome> promise;
    };

    void run();
    void write(std::deque<Pending> &batch);

    ReportStore &m_store;
    MetricsRegistry &m_metrics;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Pending> m_queue;
    bool m_stopping = false;
    std::thread m_thread;
};
