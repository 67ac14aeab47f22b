#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include <chrono>

namespace testsupport {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// What the test server answers on one path. The body goes out as the listed chunks, one write
// each, with chunkDelay between them, so a client sees it arrive in pieces.
struct CannedReply
{
    int status = 200;
    QByteArray reason;                              // empty: the usual phrase for the status
    HeaderList headers;                             // Content-Length is added unless chunked
    QList<QByteArray> chunks;
    std::chrono::milliseconds delay{0};             // before the status line goes out
    std::chrono::milliseconds chunkDelay{0};
    bool chunked = false;                           // Transfer-Encoding: chunked
    bool stall = false;                             // read the request, never answer
    bool closeMidAnswer = false;                    // promise more than is sent, then close

    static CannedReply ok(const QByteArray &body, const QByteArray &contentType = "text/xml; charset=utf-8")
    {
        return withStatus(200, body, contentType);
    }
    static CannedReply withStatus(int status, const QByteArray &body,
                                  const QByteArray &contentType = "text/xml; charset=utf-8")
    {
        return {status, {}, {{"Content-Type", contentType}}, {body}};
    }
    static CannedReply redirect(int status, const QByteArray &location)
    {
        return {status, {}, {{"Location", location}}, {}};
    }
    static CannedReply stalling()
    {
        CannedReply reply;
        reply.stall = true;
        return reply;
    }
};

} // namespace testsupport
