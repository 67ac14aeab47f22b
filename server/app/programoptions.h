#pragma once

#include "httplimits.h"
#include "serviceoptions.h"

#include <QHostAddress>
#include <QString>

// How the program runs: its night, and how and where it serves it. The command line fills it,
// tests set it directly.
struct ProgramOptions
{
    ServiceOptions service;
    HttpLimits http;
    QHostAddress bindAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 8803;                        // 0: any free port
    bool logRequests = true;                    // one line per request on stderr
    int threads = 0;                            // serving threads; 0: one per core

    // A live night's intake, on a listener of its own.
    QHostAddress intakeAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 intakePort = 8804;                  // 0: any free port
    QString intakeTlsCert;                      // PEM; both or neither
    QString intakeTlsKey;
};
