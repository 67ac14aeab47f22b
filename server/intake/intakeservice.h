#pragma once

#include "intakeanswer.h"
#include "intakerequest.h"
#include "reporters.h"

#include <QJsonObject>

#include <functional>

class IntakeRefusal;
class LiveCount;
class MetricsRegistry;
class ReportLedger;
struct Outcome;
struct Submission;
struct Figures;

// The intake of a live night without its transport: reports in, answers out.
//   PUT  /reports/{municipality}/{district}   one report (JSON)
//   POST /reports                             many, as CSV, all or nothing
//   POST /final/{county}                      a count declared final ("00": the country), admins only
//   GET  /status                              districts counted, per county, and the newest report
//   GET  /metrics                             Prometheus text
// Every report and every refusal of one is stored (ReportLedger) before it is answered. Safe to
// call from several threads; each call waits for its commit.
class IntakeService
{
public:
    // All of them outlive the service.
    IntakeService(const Reporters &reporters, LiveCount &count, ReportLedger &ledger, MetricsRegistry &metrics);

    IntakeAnswer answer(const IntakeRequest &request);

private:
    IntakeAnswer route(const IntakeRequest &request);
    IntakeAnswer putReport(const IntakeRequest &request, const QStringList &parts);
    IntakeAnswer postBatch(const IntakeRequest &request);
    IntakeAnswer postFinal(const IntakeRequest &request, const QStringList &parts);
    IntakeAnswer status() const;

    // Authenticates, has `fill` make the submission (or throw its refusal), and stores it.
    using Fill = std::function<void(Submission &, const Reporter &)>;
    IntakeAnswer submit(const IntakeRequest &request, const Fill &fill);
    // Submits what was asked, or the refusal of it, and answers with what became of it.
    IntakeAnswer store(Submission &submission, const IntakeRefusal *refusal);
    Reporter authenticated(const QByteArray &authorization) const;
    // The district's index, after checking that it exists and that the reporter may report it.
    int district(const Reporter &reporter, const QString &municipality, const QString &number, int line) const;
    void checkElectorate(int district, const Figures &figures, int line) const;

    const Reporters &m_reporters;
    LiveCount &m_count;
    ReportLedger &m_ledger;
    MetricsRegistry &m_metrics;
};
