#pragma once

#include <QByteArray>

// The intake's answer to a request: a JSON body (the metrics aside).
struct IntakeAnswer
{
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("application/json; charset=utf-8");
    QByteArray body;
    QByteArray allow;           // for 405
    bool challenge = false;     // 401: say how to authenticate
    QByteArray route;           // for the metrics: the route's pattern
};
