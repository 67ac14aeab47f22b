#pragma once

#include <QByteArray>
#include <QString>

// What the service answers to one call: HTTP status, the envelope, and the operation asked for
// (empty when the request was not readable), for the log.
struct SoapReply
{
    int status = 200;
    QByteArray body;
    QString operation;
};
