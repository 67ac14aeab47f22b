#pragma once

#include "jobresult.h"
#include "reportjob.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <cstdio>
#include <deque>

class IntakeClient;

// Sends the jobs, `parallel` at a time, shows progress on a terminal, and adds up what became of
// them for the summary.
class ReportRun : public QObject
{
    Q_OBJECT

public:
    ReportRun(IntakeClient &client, std::deque<ReportJob> jobs, int parallel, bool progress);

    void start();

    int added() const { return m_new; }
    int identical() const { return m_identical; }
    int corrected() const { return m_corrected; }
    int refused() const { return m_refused; }
    // One line per job refused or never answered: its label, status and the service's reason.
    const QStringList &problems() const { return m_problems; }
    QString summary() const;

Q_SIGNALS:
    void finished();

private:
    void next();
    void take(const ReportJob &job, const JobResult &result);
    void showProgress();

    IntakeClient &m_client;
    std::deque<ReportJob> m_jobs;
    int m_parallel;
    bool m_progress;
    int m_total = 0;
    int m_inFlight = 0;
    int m_done = 0;
    int m_new = 0;
    int m_identical = 0;
    int m_corrected = 0;
    int m_refused = 0;
    QStringList m_problems;
    QElapsedTimer m_shown;    // since the progress line was last drawn
};
