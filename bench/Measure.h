#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

// Clocks and summaries shared by every figure of the benchmark.
namespace bench {

inline std::int64_t readClock(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}
inline std::int64_t wallNs() { return readClock(CLOCK_MONOTONIC); }
// Every thread of the process, the audio thread included.
inline std::int64_t cpuNs() { return readClock(CLOCK_PROCESS_CPUTIME_ID); }
inline double ms(std::int64_t ns) { return double(ns) / 1e6; }

// Processor time over wall time, added up over any number of spans.
struct CpuShare {
    std::int64_t wall = 0, cpu = 0, wallStart = 0, cpuStart = 0;
    void begin() { wallStart = wallNs(), cpuStart = cpuNs(); }
    void end() { wall += wallNs() - wallStart, cpu += cpuNs() - cpuStart; }
    double percent() const { return wall > 0 ? 100.0 * double(cpu) / double(wall) : 0; }
};

struct Summary {
    std::size_t n = 0;
    double median = 0, p99 = 0, max = 0;
};

// Nearest-rank percentiles: with few samples p99 is the largest, never an interpolation.
inline Summary summarize(std::vector<double> values)
{
    Summary s;
    s.n = values.size();
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    const auto rank = [&](double p) {
        return values[std::size_t(std::max(1.0, std::ceil(p * double(s.n)))) - 1];
    };
    s.median = rank(0.5);
    s.p99 = rank(0.99);
    s.max = values.back();
    return s;
}

// Peak resident memory of this process, from the kernel's own account.
inline long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace bench
