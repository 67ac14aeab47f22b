#include "cannedreply.h"

namespace testsupport {

CannedReply CannedReply::ok(const QByteArray &body, const QByteArray &contentType)
{
    return withStatus(200, body, contentType);
}

CannedReply CannedReply::withStatus(int status, const QByteArray &body,
                                    const QByteArray &contentType)
{
    CannedReply reply;
    reply.status = status;
    reply.headers.append({"Content-Type", contentType});
    reply.chunks.append(body);
    return reply;
}

CannedReply CannedReply::redirect(int status, const QByteArray &location)
{
    CannedReply reply;
    reply.status = status;
    reply.headers.append({"Location", location});
    return reply;
}

CannedReply CannedReply::stalling()
{
    CannedReply reply;
    reply.stall = true;
    return reply;
}

QByteArray CannedReply::body() const
{
    QByteArray all;
    for (const QByteArray &chunk : chunks)
        all += chunk;
    return all;
}

QByteArray CannedReply::reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

} // namespace testsupport
