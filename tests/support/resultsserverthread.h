#pragma once

#include "programoptions.h"

#include <QString>

#include <chrono>
#include <memory>

class HttpServer;
class IntakeServer;
class LiveNight;
class MetricsRegistry;
class ResultsService;

// The results service on a thread of its own inside a test process, so a client that blocks the
// calling thread can still be answered. Listens on 127.0.0.1 on a free port, whatever the
// options say about address, port and threads (a live night's intake too, on another); stops in
// the destructor. Throws DataSetError for a bad data, districts or reporters file, StoreError
// for a store it cannot open, and std::runtime_error if it cannot listen.
class ResultsServerThread
{
public:
    explicit ResultsServerThread(const ProgramOptions &options = {});
    ~ResultsServerThread();

    ResultsServerThread(const ResultsServerThread &) = delete;
    ResultsServerThread &operator=(const ResultsServerThread &) = delete;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>/emu2003/webservices/ElectionResults/ElectionResults.wsdl"
    QString wsdlUrl() const;
    QString endpointUrl() const;
    // A live night's intake: "http://127.0.0.1:<port>" (https with TLS); empty for a replay.
    QString intakeUrl() const;

    // Freezes the replayed night at `elapsed` after its start; safe from any thread.
    void setElapsed(std::chrono::milliseconds elapsed);
    // Lets the night's clock run on from where it stands.
    void resumeClock();

    ResultsService &service() { return *m_service; }

private:
    // In the order of need: each refers to those before it.
    std::unique_ptr<MetricsRegistry> m_metrics;
    std::unique_ptr<LiveNight> m_live;
    std::unique_ptr<ResultsService> m_service;
    std::unique_ptr<HttpServer> m_server;
    std::unique_ptr<IntakeServer> m_intake;
    quint16 m_port = 0;
    QString m_intakeUrl;
};
