#include "logwriter.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

constexpr auto FlushLimit = std::chrono::seconds(2);
// Lines gather this long before they are written, one write for many: a wake-up and a write for
// each line would cost a busy service a third of its time again.
constexpr auto Gathering = std::chrono::milliseconds(10);

// The whole text, unless the stream fails (closed, gone); false then.
bool writeAll(int descriptor, const std::string &text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(descriptor, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

std::size_t lineCount(const std::string &text)
{
    std::size_t lines = 0;
    for (const char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace

struct LogWriter::State
{
    State(int descriptor, std::size_t maxQueuedBytes) : descriptor(descriptor), maxQueuedBytes(maxQueuedBytes) {}
    void run();

    const int descriptor;
    const std::size_t maxQueuedBytes;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable flushed;
    std::string queued;
    std::uint64_t droppedInAll = 0;
    std::uint64_t droppedUnsaid = 0;    // not yet reported in the log
    bool stopping = false;
    bool done = false;
};

void LogWriter::State::run()
{
    std::string batch;
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [&] { return !queued.empty() || droppedUnsaid > 0 || stopping; });
        wake.wait_for(lock, Gathering, [&] { return queued.size() >= maxQueuedBytes / 4 || stopping; });
        if (queued.empty() && droppedUnsaid > 0) {
            queued = "ksv-results-service: " + std::to_string(droppedUnsaid)
                    + " loggrader tappades (loggen lästes inte i tid)\n";
            droppedUnsaid = 0;
        }
        if (queued.empty() && stopping)
            break;
        batch.swap(queued);
        lock.unlock();
        const bool written = writeAll(descriptor, batch);
        lock.lock();
        if (!written)
            droppedInAll += lineCount(batch);    // no one to tell
        batch.clear();
    }
    done = true;
    flushed.notify_all();
}

LogWriter::LogWriter(int descriptor, std::size_t maxQueuedBytes)
    : m_state(std::make_shared<State>(descriptor, maxQueuedBytes))
{
    m_thread = std::thread([state = m_state] { state->run(); });
}

LogWriter::~LogWriter()
{
    std::unique_lock lock(m_state->mutex);
    m_state->stopping = true;
    m_state->wake.notify_one();
    if (m_state->flushed.wait_for(lock, FlushLimit, [&] { return m_state->done; })) {
        lock.unlock();
        m_thread.join();
    } else {
        // Stuck in a write that may never return: it keeps the state alive and ends with us.
        m_thread.detach();
    }
}

void LogWriter::write(std::string_view line)
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->queued.size() + line.size() > m_state->maxQueuedBytes) {
        ++m_state->droppedInAll;
        ++m_state->droppedUnsaid;
        return;
    }
    // The writer waits for the first line, and gathers until a quarter of the queue is full.
    const std::size_t quarter = m_state->maxQueuedBytes / 4;
    const std::size_t before = m_state->queued.size();
    m_state->queued.append(line);
    if (before == 0 || (before < quarter && m_state->queued.size() >= quarter))
        m_state->wake.notify_one();
}

std::uint64_t LogWriter::dropped() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->droppedInAll;
}
