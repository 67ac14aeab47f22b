#pragma once

#include <chrono>
#include <cstdint>

// What a child of the comparison prints on one line when its call is done, the same for both
// clients: "records call_wall_s call_cpu_s baseline_bytes peak_bytes checksum". Peak memory is
// VmHWM, the process image's own high-water mark (ru_maxrss would carry the parent's over).
// Plain C++: the gSOAP client links no Qt.
class ChildReport
{
public:
    ChildReport();

    void callEnded(long records);
    void setChecksum(std::uint64_t checksum) { m_checksum = checksum; }
    void print() const;

    static long long peakResidentBytes();

private:
    static double cpuSeconds();

    long long m_baseline = 0;
    std::chrono::steady_clock::time_point m_start;
    double m_startCpu = 0;
    double m_callSeconds = 0;
    double m_callCpu = 0;
    long m_records = 0;
    std::uint64_t m_checksum = 0;
};
