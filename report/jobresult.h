#pragma once

#include <QByteArray>
#include <QString>

// What became of a job ksv-report sent.
struct JobResult
{
    int status = 0;         // 0: never answered
    QByteArray body;
    QString error;          // why it was never answered
};
