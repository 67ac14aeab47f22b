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
