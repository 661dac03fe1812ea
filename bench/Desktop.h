#pragma once

// What the benchmark programs of the desktop builds (Linux and Windows) give the script alike:
// each runs as a process of its own, under a script that reads its standard output and writes
// its answers to the standard input (bench/desktop.py). Each lines up its clock with a
// "sync <ns>" line, the moment it was printed by wallNs(), and with --cpu-marks prints
// "cpu begin <what>" and "cpu end <what>" at a span's edges and waits for a line back, while
// its script reads the processes. Its bare sleeper is a thread; its result goes to the --json
// file.

#include "Script.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace bench {

// A bare thread sleeping to absolute deadlines beside the game: how late the machine itself
// wakes a sleeper meanwhile. No timer of the game can do better.
class WakeThread {
public:
    // `sleepUntil` sleeps to a deadline on wallNs()'s clock, as closely as the system allows.
    WakeThread(std::function<void(std::int64_t)> sleepUntil, bool trace)
        : sleepUntil_(std::move(sleepUntil)), trace_(trace)
    {
    }

    void start()
    {
        thread_ = std::thread([this] {
            constexpr std::int64_t kPeriodNs = 100'000'000;
            const std::int64_t origin = wallNs();
            std::int64_t deadline = origin;
            while (!stop_) {
                deadline += kPeriodNs;
                sleepUntil_(deadline);
                wakes_.push_back({deadline, ms(wallNs() - deadline)});
                if (trace_ && wakes_.back().lateMs > 1)
                    std::fprintf(stderr, "wake %10.3f ms  late by %.3f ms\n", ms(deadline - origin),
                                 wakes_.back().lateMs);
            }
        });
    }

    std::vector<Wake> stop()
    {
        stop_ = true;
        thread_.join();
        return std::move(wakes_);
    }

private:
    std::function<void(std::int64_t)> sleepUntil_;
    bool trace_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::vector<Wake> wakes_;
};

// Sets the members of the driver that every desktop program fills alike; `sleepUntil` is the
// bare thread's sleep. The program's own `more`, if any, is kept, with the peak memory after it.
inline void fillDesktopDriver(Driver &driver, const Options &options,
                              std::function<void(std::int64_t)> sleepUntil)
{
    driver.pause = [](int microseconds) {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    };
    driver.sync = [] {
        std::printf("sync %lld\n", static_cast<long long>(wallNs()));
        std::fflush(stdout);
    };
    driver.markSpan = [marks = options.cpuMarks](const char *edge, const std::string &what) {
        if (!marks)
            return;
        std::printf("cpu %s %s\n", edge, what.c_str());
        std::fflush(stdout);
        char reply[8];
        std::fgets(reply, sizeof reply, stdin);
    };
    const auto wakes = std::make_shared<WakeThread>(std::move(sleepUntil), options.trace);
    driver.startWakes = [wakes] { wakes->start(); };
    driver.stopWakes = [wakes] { return wakes->stop(); };
    driver.more = [own = driver.more] {
        Members members = own ? own() : Members{};
        members.push_back({"peak_resident_kb", json::number(std::int64_t(peakResidentKb()))});
        return members;
    };
    driver.deliver = [path = options.jsonPath](const std::string &json) {
        if (FILE *out = std::fopen(path.c_str(), "w")) {
            std::fputs(json.c_str(), out);
            std::fclose(out);
        }
    };
}

} // namespace bench
