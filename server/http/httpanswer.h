#pragma once

#include <QByteArray>

#include <string>

// What a route answers. The body is shared, not copied, on its way to the socket.
struct HttpAnswer
{
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("text/plain; charset=utf-8");
    QByteArray body;
    std::string allow;    // for 405
    std::string note;     // for the request log, e.g. the operation called
    std::string challenge;    // WWW-Authenticate, for 401
    std::string route;    // for the metrics: the route's path, or its pattern
};
