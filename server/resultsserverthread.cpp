#include "resultsserverthread.h"

#include "httpserver.h"
#include "resultsservice.h"
#include "serviceroutes.h"

#include <stdexcept>

ResultsServerThread::ResultsServerThread(const ServiceOptions &options)
{
    DataSet data = options.dataFile.isEmpty() ? DataSet::bundled() : DataSet::fromFile(options.dataFile);
    m_service = std::make_unique<ResultsService>(std::move(data), options);
    m_server = std::make_unique<HttpServer>(ServiceRoutes::of(*m_service), options.http, options.logRequests);
    try {
        m_port = m_server->listen("127.0.0.1", 0);
    } catch (const std::runtime_error &e) {
        throw std::runtime_error(std::string("ResultsServerThread: cannot listen on 127.0.0.1: ") + e.what());
    }
    m_server->start();
}

ResultsServerThread::~ResultsServerThread() = default;

QString ResultsServerThread::wsdlUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(ResultsService::wsdlPath());
}

QString ResultsServerThread::endpointUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(ResultsService::endpointPath());
}

void ResultsServerThread::setElapsed(std::chrono::milliseconds elapsed)
{
    m_service->clock().setElapsed(elapsed);
}

void ResultsServerThread::resumeClock()
{
    m_service->clock().resume();
}
