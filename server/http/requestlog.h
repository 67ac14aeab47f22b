#pragma once

#include <chrono>
#include <string_view>

class LogWriter;

// One line per request: local time, client, method, path, note (the operation) or "-", status and
// the time taken to make the answer, e.g.
//   2003-09-14T21:05:33 127.0.0.1 POST /emu2003/webservices/ElectionResults/soap getCountryResultsValnatt 200 0.04 ms
// Lines go to the log writer whole, so lines from several threads never interleave, and no one
// waits for them to be written.
class RequestLog
{
public:
    RequestLog(bool enabled, LogWriter &writer) : m_enabled(enabled), m_writer(writer) {}

    bool enabled() const { return m_enabled; }
    void write(std::string_view client, std::string_view method, std::string_view path, std::string_view note,
               int status, std::chrono::nanoseconds took) const;

private:
    bool m_enabled;
    LogWriter &m_writer;
};
