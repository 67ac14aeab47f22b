#include "resultsserverthread.h"

#include "datasetparser.h"
#include "httpserver.h"
#include "intakeserver.h"
#include "livenight.h"
#include "metricsregistry.h"
#include "resultsservice.h"
#include "serviceroutes.h"

#include <cstring>
#include <stdexcept>

ResultsServerThread::ResultsServerThread(const ProgramOptions &options)
    : m_metrics(std::make_unique<MetricsRegistry>())
{
    DataSet data = options.service.dataFile.isEmpty() ? DataSetParser::bundled() : DataSetParser::fromFile(options.service.dataFile);
    if (options.service.liveNight)
        m_live = std::make_unique<LiveNight>(data, options.service, *m_metrics);
    m_service = std::make_unique<ResultsService>(std::move(data), options.service, m_live ? &m_live->count() : nullptr);
    m_server = std::make_unique<HttpServer>(ServiceRoutes::of(*m_service), options.http, options.logRequests);
    m_server->countIn(*m_metrics, "soap");
    try {
        m_port = m_server->listen("127.0.0.1", 0);
    } catch (const std::runtime_error &e) {
        throw std::runtime_error(std::string("ResultsServerThread: cannot listen on 127.0.0.1: ") + e.what());
    }
    m_server->start();
    if (m_live) {
        m_intake = std::make_unique<IntakeServer>(m_live->intake(), options.http, options.logRequests, *m_metrics);
        const QHostAddress loopback(QHostAddress::LocalHost);
        const quint16 port = m_intake->listen(loopback, 0, options.intakeTlsCert, options.intakeTlsKey);
        m_intakeUrl = m_intake->url(loopback, port).chopped(int(std::strlen("/reports")));
        m_intake->start();
    }
}

ResultsServerThread::~ResultsServerThread() = default;

QString ResultsServerThread::wsdlUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(ResultsService::wsdlPath());
}

QString ResultsServerThread::intakeUrl() const
{
    return m_intakeUrl;
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
