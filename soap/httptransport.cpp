#include "httptransport.h"

#include "bodysink.h"
#include "errornumbers.h"
#include "exchangequeue.h"
#include "networkworker.h"
#include "raisederror.h"

#include <QThread>

namespace soap {

namespace {

constexpr qsizetype QueueCapacity = 2 * 1024 * 1024;

QString durationText(std::chrono::milliseconds timeout)
{
    if (timeout.count() % 1000 == 0)
        return QStringLiteral("%1 sekunder").arg(timeout.count() / 1000);
    return QStringLiteral("%1 millisekunder").arg(timeout.count());
}

// Stops the network side of an exchange that the caller leaves early, by error or time-out.
class ExchangeGuard
{
public:
    explicit ExchangeGuard(NetworkWorker *worker) : m_worker(worker) {}
    ~ExchangeGuard()
    {
        if (m_active)
            QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->abort(); },
                                      Qt::QueuedConnection);
    }
    void release() { m_active = false; }

private:
    NetworkWorker *m_worker;
    bool m_active = true;
};

} // namespace

HttpTransport::HttpTransport(TransportLimits limits)
    : m_limits(limits)
    , m_thread(std::make_unique<QThread>())
{
    m_worker = new NetworkWorker(m_limits);
    m_worker->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->setObjectName(QStringLiteral("ksv-http"));
    m_thread->start();
}

HttpTransport::~HttpTransport()
{
    m_thread->quit();
    m_thread->wait();
}

void HttpTransport::setProxy(const ProxySetting &proxy)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, proxy] { worker->setProxy(proxy); },
                              Qt::QueuedConnection);
}

HttpResponseHead HttpTransport::exchange(const HttpRequest &request, BodySink &sink)
{
    const auto deadline = std::chrono::steady_clock::now() + m_limits.timeout;
    auto queue = std::make_shared<ExchangeQueue>(QueueCapacity);
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, request, queue] {
        worker->start(request, queue);
    }, Qt::QueuedConnection);
    ExchangeGuard guard(m_worker);

    HttpResponseHead head;
    for (;;) {
        std::optional<ExchangeEvent> event = queue->pop(deadline);
        if (!event)
            throw RaisedError(ErrorNumber::Timeout, QStringLiteral("SoapClient"),
                              QStringLiteral("Inget fullständigt svar från %1 inom %2")
                                  .arg(request.url.toDisplayString(), durationText(m_limits.timeout)));
        switch (event->kind) {
        case ExchangeEvent::Kind::Head:
            head = event->head;
            sink.begin(head);
            break;
        case ExchangeEvent::Kind::Data:
            sink.append(event->data.constData(), event->data.size());
            break;
        case ExchangeEvent::Kind::Done:
            guard.release();
            return head;
        case ExchangeEvent::Kind::Failed:
            guard.release();
            throw RaisedError(event->errorNumber, QStringLiteral("SoapClient"),
                              event->errorDescription);
        }
        if (queue->takeResumeRequest())
            QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->pump(); },
                                      Qt::QueuedConnection);
    }
}

} // namespace soap
