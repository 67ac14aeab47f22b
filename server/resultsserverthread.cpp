#include "resultsserverthread.h"

#include "httpbinding.h"
#include "resultsservice.h"

#include <QThread>

#include <stdexcept>

ResultsServerThread::ResultsServerThread(const ServiceOptions &options)
{
    DataSet data = options.dataFile.isEmpty() ? DataSet::bundled() : DataSet::fromFile(options.dataFile);
    m_service = std::make_unique<ResultsService>(std::move(data), options);
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("ResultsServerThread"));
    m_context = std::make_unique<QObject>();
    m_context->moveToThread(m_thread.get());
    m_thread->start();
    const bool log = options.logRequests;
    QString error;
    QMetaObject::invokeMethod(m_context.get(), [this, log, &error] {
        m_binding = std::make_unique<HttpBinding>(*m_service, log);
        m_port = m_binding->listenOn(QHostAddress(QHostAddress::LocalHost), 0);
        error = m_binding->listenError();
    }, Qt::BlockingQueuedConnection);
    if (m_port == 0) {
        stop();
        throw std::runtime_error("ResultsServerThread: cannot listen on 127.0.0.1: " + error.toStdString());
    }
}

ResultsServerThread::~ResultsServerThread()
{
    stop();
}

void ResultsServerThread::stop()
{
    if (!m_thread || !m_thread->isRunning())
        return;
    QMetaObject::invokeMethod(m_context.get(), [this] { m_binding.reset(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

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
