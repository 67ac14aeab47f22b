#pragma once

#include <QString>
#include <QTime>

// What the status bar's right part says: the region the table shows, when the service made those
// figures, and, until a fetch succeeds again, that the last one failed and when.
class Freshness
{
public:
    // A fetch of `region` succeeded with figures made at `generated` (as the service wrote it).
    void shown(const QString &region, const QString &generated);
    // A fetch failed at `at`, local time. What the table shows stays named.
    void failed(const QTime &at);

    // The region whose figures the table shows; empty before the first success.
    const QString &region() const { return m_region; }
    // "Västmanlands län · 2003-09-14T23:58:02", then " · Senaste hämtningen misslyckades
    // 23:59:10" after a failure. Empty before anything was fetched.
    QString text() const;

private:
    QString m_region;
    QString m_generated;
    bool m_shown = false;
    QTime m_failedAt; // null while the last fetch succeeded
};
