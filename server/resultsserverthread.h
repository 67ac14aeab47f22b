#pragma once

#include "serviceoptions.h"

#include <QString>

#include <chrono>
#include <memory>

class HttpBinding;
class QObject;
class QThread;
class ResultsService;

// The results service on a thread of its own inside a test process, so a client that blocks the
// calling thread can still be answered. Listens on 127.0.0.1 on a free port, whatever the
// options say about address and port; stops in the destructor. Throws DataSetError for a bad
// data file and std::runtime_error if it cannot listen.
class ResultsServerThread
{
public:
    explicit ResultsServerThread(const ServiceOptions &options = {});
    ~ResultsServerThread();

    ResultsServerThread(const ResultsServerThread &) = delete;
    ResultsServerThread &operator=(const ResultsServerThread &) = delete;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>/emu2003/webservices/ElectionResults/ElectionResults.wsdl"
    QString wsdlUrl() const;
    QString endpointUrl() const;

    // Freezes the replayed night at `elapsed` after its start; safe from any thread.
    void setElapsed(std::chrono::milliseconds elapsed);
    // Lets the night's clock run on from where it stands.
    void resumeClock();

    ResultsService &service() { return *m_service; }

private:
    void stop();

    std::unique_ptr<ResultsService> m_service;
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<QObject> m_context;     // lives on m_thread; the binding is made and destroyed there
    std::unique_ptr<HttpBinding> m_binding;
    quint16 m_port = 0;
};
