#include "requestlog.h"

#include "logwriter.h"

#include <ctime>
#include <string>

namespace {

// Client-chosen texts are cut short and stripped of anything that could forge a line.
void appendField(std::string &line, std::string_view text, std::size_t max)
{
    line += ' ';
    if (text.empty()) {
        line += '-';
        return;
    }
    for (const char c : text.substr(0, max))
        line += (c > ' ' && c < 0x7f) ? c : '?';
}

} // namespace

void RequestLog::write(std::string_view client, std::string_view method, std::string_view path,
                       std::string_view note, int status, std::chrono::nanoseconds took) const
{
    if (!m_enabled)
        return;
    char moment[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(moment, sizeof moment, "%Y-%m-%dT%H:%M:%S", &local);
    std::string line(moment);
    line.reserve(160);
    appendField(line, client, 64);
    appendField(line, method, 16);
    appendField(line, path, 200);
    appendField(line, note, 80);
    char tail[48];
    std::snprintf(tail, sizeof tail, " %d %.2f ms\n", status, double(took.count()) / 1e6);
    line += tail;
    m_writer.write(line);
}
