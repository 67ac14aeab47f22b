#include "childreport.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

ChildReport::ChildReport()
    : m_baseline(peakResidentBytes())
    , m_start(std::chrono::steady_clock::now())
    , m_startCpu(cpuSeconds())
{
}

void ChildReport::callEnded(long records)
{
    m_callSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    m_callCpu = cpuSeconds() - m_startCpu;
    m_records = records;
}

void ChildReport::print() const
{
    std::printf("%ld %.6f %.6f %lld %lld %llu\n", m_records, m_callSeconds, m_callCpu, m_baseline,
                peakResidentBytes(), static_cast<unsigned long long>(m_checksum));
    std::fflush(stdout);
}

long long ChildReport::peakResidentBytes()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long long kilobytes = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            std::sscanf(line + 6, "%lld", &kilobytes);
            break;
        }
    }
    std::fclose(status);
    return kilobytes < 0 ? -1 : kilobytes * 1024;
}

double ChildReport::cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
