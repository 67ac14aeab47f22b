#pragma once

#include "cannedreply.h"
#include "recordedrequest.h"

#include <QByteArray>
#include <QObject>

class QTcpSocket;

namespace testsupport {

class ReplyBook;

// One client connection: reads requests (keep-alive included), records each and plays the canned
// reply for its path.
class HttpConnection : public QObject
{
    Q_OBJECT
public:
    HttpConnection(QTcpSocket *socket, ReplyBook &book, QObject *parent);

private:
    void readRequests();
    bool takeRequest(RecordedRequest &request);
    void answer(const CannedReply &reply);
    void writeChunk(const CannedReply &reply, int index);
    void finishReply(const CannedReply &reply);

    QTcpSocket *m_socket;
    ReplyBook &m_book;
    QByteArray m_buffer;
    bool m_busy = false; // a reply is still going out; further requests wait
};

} // namespace testsupport
