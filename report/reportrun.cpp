#include "reportrun.h"

#include "intakeclient.h"

#include <QJsonDocument>
#include <QJsonObject>

ReportRun::ReportRun(IntakeClient &client, std::deque<ReportJob> jobs, int parallel, bool progress)
    : m_client(client),
      m_jobs(std::move(jobs)),
      m_parallel(std::max(1, parallel)),
      m_progress(progress)
{
    for (const ReportJob &job : m_jobs)
        m_total += job.reports;
}

void ReportRun::start()
{
    next();
}

void ReportRun::next()
{
    while (m_inFlight < m_parallel && !m_jobs.empty()) {
        ReportJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        ++m_inFlight;
        m_client.send(job, [this, job](const JobResult &result) {
            --m_inFlight;
            take(job, result);
            next();
        });
    }
    if (m_inFlight == 0 && m_jobs.empty()) {
        if (m_progress)
            std::fputs("\r\033[K", stderr);
        Q_EMIT finished();
    }
}

void ReportRun::take(const ReportJob &job, const JobResult &result)
{
    m_done += job.reports;
    const QJsonObject answer = QJsonDocument::fromJson(result.body).object();
    const QString outcome = answer.value(QStringLiteral("result")).toString();
    if (result.status >= 200 && result.status < 300) {
        if (outcome == u"taken") {
            m_new += answer.value(QStringLiteral("new")).toInt();
            m_identical += answer.value(QStringLiteral("identical")).toInt();
        } else if (outcome == u"identical") {
            ++m_identical;
        } else if (outcome == u"correction") {
            ++m_corrected;
        } else if (outcome == u"new") {
            ++m_new;
        }
    } else {
        m_refused += job.reports;
        const QString reason = result.status == 0 ? result.error
                : answer.value(QStringLiteral("error")).toString(QString::fromUtf8(result.body).trimmed().left(200));
        m_problems << QStringLiteral("%1: %2 %3").arg(job.label, result.status ? QString::number(result.status)
                                                                                : QStringLiteral("ej framme"), reason);
    }
    showProgress();
}

void ReportRun::showProgress()
{
    // A few times a second is what an eye reads; thousands of lines a second would slow the run.
    constexpr qint64 RedrawMs = 100;
    if (!m_progress || (m_shown.isValid() && m_shown.elapsed() < RedrawMs && m_done < m_total))
        return;
    m_shown.start();
    std::fprintf(stderr, "\r\033[K%d av %d rapporter skickade (%d avvisade)", m_done, m_total, m_refused);
    std::fflush(stderr);
}

QString ReportRun::summary() const
{
    return QStringLiteral("Nya: %1, identiska: %2, rättade: %3, avvisade: %4")
            .arg(m_new).arg(m_identical).arg(m_corrected).arg(m_refused);
}
