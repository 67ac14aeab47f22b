#pragma once

#include "cannedreply.h"
#include "recordedrequest.h"

#include <QHash>
#include <QList>
#include <QMutex>

namespace testsupport {

// The replies set per path and the requests received, shared between the test's thread and the
// server's thread.
class ReplyBook
{
public:
    void setReply(const QByteArray &path, const CannedReply &reply);
    // The reply for a request path; the query takes part only if a reply was set with it.
    CannedReply replyFor(const QByteArray &path) const;

    void record(const RecordedRequest &request);
    QList<RecordedRequest> requests() const;
    void clearRequests();

private:
    mutable QMutex m_mutex;
    QHash<QByteArray, CannedReply> m_replies;
    const CannedReply m_fallback = CannedReply::withStatus(404, "Not found", "text/plain");
    QList<RecordedRequest> m_requests;
};

} // namespace testsupport
