#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <ctime>
#include <fstream>
#endif

// Clocks and summaries shared by every figure of the benchmarks, on Linux and on Windows.
namespace bench {

#ifdef _WIN32

// QueryPerformanceCounter, which Wine reads from the kernel's monotonic clock.
inline std::int64_t wallNs()
{
    static const std::int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return std::int64_t(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart / frequency * 1'000'000'000 +
           now.QuadPart % frequency * 1'000'000'000 / frequency;
}

// Every thread of the process. Under Wine it counts in the kernel's ticks of 10 ms.
inline std::int64_t cpuNs()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto ns = [](FILETIME t) {
        return std::int64_t((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 100;
    };
    return ns(kernel) + ns(user);
}

// The peak working set; under Wine, the Wine process's resident memory, Wine's DLLs included.
inline long peakResidentKb()
{
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)
               ? long(memory.PeakWorkingSetSize / 1024)
               : -1;
}

#else

inline std::int64_t readClock(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}
inline std::int64_t wallNs() { return readClock(CLOCK_MONOTONIC); }
// Every thread of the process, the audio thread included.
inline std::int64_t cpuNs() { return readClock(CLOCK_PROCESS_CPUTIME_ID); }

// Peak resident memory of this process, from the kernel's own account.
inline long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

#endif

inline double ms(std::int64_t ns) { return double(ns) / 1e6; }

// The benchmark programs' command line: --smoke (a short run that judges nothing), --trace,
// --cpu-marks (ask the caller to read processes at each span's edges), --json PATH.
struct Options {
    bool smoke = false, trace = false, cpuMarks = false;
    std::string jsonPath = "bench.json";
};

inline Options parseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--smoke")
            options.smoke = true;
        else if (arg == "--trace")
            options.trace = true;
        else if (arg == "--cpu-marks")
            options.cpuMarks = true;
        else if (arg == "--json" && i + 1 < argc)
            options.jsonPath = argv[++i];
    }
    return options;
}

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

} // namespace bench
