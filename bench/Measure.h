#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <ctime>
#include <fstream>
#endif

// The clocks of every benchmark program, its processor time and peak memory (a page has
// neither: its script reads the browser's processes), the programs' command line and the JSON
// they hand their script. The programs only measure: each figure is made
// from what they hand over, in one place, by bench/figures.py.
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
// In the browser, the page's performance.now().
inline std::int64_t wallNs() { return readClock(CLOCK_MONOTONIC); }
#ifdef __EMSCRIPTEN__
// A page cannot read its processor time: the script reads the browser's processes instead.
inline std::int64_t cpuNs() { return 0; }
#else
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

// Processor time and wall time, added up over any number of spans.
struct CpuShare {
    std::int64_t wall = 0, cpu = 0, wallStart = 0, cpuStart = 0;
    void begin() { wallStart = wallNs(), cpuStart = cpuNs(); }
    void end() { wall += wallNs() - wallStart, cpu += cpuNs() - cpuStart; }
};

// JSON as the programs write it: each piece a member's value. Strings here are plain ASCII or
// UTF-8 without quotes or backslashes.
namespace json {

inline std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}
inline std::string number(std::int64_t value) { return std::to_string(value); }
inline std::string number(std::size_t value) { return std::to_string(value); }
inline std::string number(int value) { return std::to_string(value); }
inline std::string string(const std::string &text) { return "\"" + text + "\""; }

// A list of the pieces that `piece` makes of each item.
template <typename Items, typename Piece> std::string list(const Items &items, Piece piece)
{
    std::string text = "[";
    for (const auto &item : items)
        text += (text.size() > 1 ? ", " : "") + piece(item);
    return text + "]";
}
inline std::string list(const std::vector<double> &values)
{
    return list(values, [](double value) { return number(value); });
}
// A list of pieces that are JSON already.
inline std::string list(const std::vector<std::string> &pieces)
{
    return list(pieces, [](const std::string &piece) { return piece; });
}

// An object of the members given as name and value, in that order.
inline std::string object(const std::vector<std::pair<std::string, std::string>> &members)
{
    std::string text = "{";
    for (const auto &[name, value] : members)
        text += (text.size() > 1 ? ", " : "") + string(name) + ": " + value;
    return text + "}";
}

} // namespace json

} // namespace bench
