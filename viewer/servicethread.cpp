#include "servicethread.h"

#include "responsivewait.h"

#include <QAbstractEventDispatcher>
#include <QThread>

#include <atomic>

namespace {

class Worker : public QThread
{
public:
    explicit Worker(std::function<void()> body) : m_body(std::move(body)) {}

protected:
    void run() override { m_body(); }

private:
    std::function<void()> m_body;
};

} // namespace

ServiceThread::ServiceThread()
    : m_thread(std::make_unique<Worker>([this] { serve(); }))
{
    m_thread->setObjectName(QStringLiteral("ServiceThread"));
    m_thread->start();
}

ServiceThread::~ServiceThread()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_queued.wakeOne();
    }
    m_thread->wait();
}

void ServiceThread::post(std::function<void()> job)
{
    const QMutexLocker lock(&m_mutex);
    m_jobs.push_back(std::move(job));
    m_queued.wakeOne();
}

void ServiceThread::runAndWait(const std::function<void()> &job)
{
    QAbstractEventDispatcher *const caller = QAbstractEventDispatcher::instance();
    std::exception_ptr failure;
    std::atomic<bool> finished = false;
    post([&job, &failure, &finished, caller] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        // The last touch of the caller's frame: from here on it may be gone.
        finished = true;
        if (caller)
            caller->wakeUp();
    });
    ResponsiveWait().until([&finished] { return finished.load(); });
    if (failure)
        std::rethrow_exception(failure);
}

void ServiceThread::serve()
{
    for (;;) {
        std::function<void()> job;
        {
            const QMutexLocker lock(&m_mutex);
            while (!m_stopping && m_jobs.empty())
                m_queued.wait(&m_mutex);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}
