#pragma once

#include <QByteArray>
#include <QString>

// One request to the intake, as the HTTP layer hands it over.
struct IntakeRequest
{
    QString method;
    QString path;               // without the query
    QByteArray authorization;   // the Authorization header, as sent
    QString client;             // the client's address
    QByteArray body;
};

// Its answer: a JSON body (the metrics aside).
struct IntakeAnswer
{
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("application/json; charset=utf-8");
    QByteArray body;
    QByteArray allow;           // for 405
    bool challenge = false;     // 401: say how to authenticate
    QByteArray route;           // for the metrics: the route's pattern
};
