#pragma once

#include <QMutex>
#include <QWaitCondition>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class QThread;

// The thread the window's service calls run on, so that the window's own thread can go on
// painting while it waits for one (ResponsiveWait). The SOAP layer's sockets belong to the thread
// that made them: a service client is made, used and released on this thread only.
class ServiceThread
{
public:
    ServiceThread();
    // Runs what is still queued, then ends the thread.
    ~ServiceThread();

    ServiceThread(const ServiceThread &) = delete;
    ServiceThread &operator=(const ServiceThread &) = delete;

    // Runs `job` here and returns what it returned, or throws what it threw, on the caller's
    // thread, which meanwhile waits as ResponsiveWait does.
    template <class Job> auto run(Job job) -> std::invoke_result_t<Job &>;
    // Deletes `object` here, where it was made and used, without waiting.
    template <class T> void release(std::unique_ptr<T> object)
    {
        post([held = std::shared_ptr<T>(std::move(object))]() mutable { held.reset(); });
    }

private:
    void post(std::function<void()> job);
    void runAndWait(const std::function<void()> &job);
    void serve();

    QMutex m_mutex;
    QWaitCondition m_queued;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread; // last: it starts once the rest is in place
};

template <class Job> auto ServiceThread::run(Job job) -> std::invoke_result_t<Job &>
{
    using Result = std::invoke_result_t<Job &>;
    if constexpr (std::is_void_v<Result>) {
        runAndWait(job);
    } else {
        std::optional<Result> result;
        runAndWait([&] { result.emplace(job()); });
        return std::move(*result);
    }
}
