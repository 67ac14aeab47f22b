#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include <unistd.h>

// Writes log lines to a descriptor from a thread of its own, so that whoever logs never waits on
// the stream: a reader that stops reading (a paused terminal, `| less`, a hung collector) must not
// stop the service. Lines beyond what the queue holds are dropped and counted, and the count is
// written once the queue has drained. Thread-safe.
class LogWriter
{
public:
    explicit LogWriter(int descriptor = STDERR_FILENO, std::size_t maxQueuedBytes = 1024 * 1024);
    // Writes what is queued, waiting at most a moment for a stalled stream; the writing thread is
    // then left to end with the process.
    ~LogWriter();

    LogWriter(const LogWriter &) = delete;
    LogWriter &operator=(const LogWriter &) = delete;

    // One whole line, ending in '\n'; it is written in one piece.
    void write(std::string_view line);
    // Lines dropped so far, in all.
    std::uint64_t dropped() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};
