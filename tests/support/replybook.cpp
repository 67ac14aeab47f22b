#include "replybook.h"

namespace testsupport {

void ReplyBook::setReply(const QByteArray &path, const CannedReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_replies.insert(path, reply);
}

CannedReply ReplyBook::replyFor(const QByteArray &path) const
{
    QMutexLocker lock(&m_mutex);
    if (auto it = m_replies.constFind(path); it != m_replies.constEnd())
        return *it;
    const qsizetype query = path.indexOf('?');
    const QByteArray withoutQuery = query < 0 ? path : path.left(query);
    if (auto it = m_replies.constFind(withoutQuery); it != m_replies.constEnd())
        return *it;
    return m_fallback;
}

void ReplyBook::record(const RecordedRequest &request)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(request);
}

QList<RecordedRequest> ReplyBook::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void ReplyBook::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}

} // namespace testsupport
