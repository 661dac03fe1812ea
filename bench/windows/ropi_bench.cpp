// The benchmark of the Windows build: the real game window on the Win32 backend, driven from
// a message loop of its own, as ropi_bench drives the Qt one. It times the cat's rhythm and the
// countdown, a bare thread's wake-up lateness beside them, the processor load of the idle
// window, of a round and of the hold of a shot, and its own peak memory.
//
// Cue onsets need the sound as it leaves for the speakers, and waveOut says nothing of that
// (under Wine, waveOutGetPosition counts the frames Wine has taken, not those played). So the
// program only tells when each tick and key press happened, and which cue answered it; the
// script that runs it (wine_bench.py) finds the cues in a recording of the sound server's sink.
// For that it prints "sync <ns>" lines as it goes, each the moment it was printed by the clock
// of every other stamp (QueryPerformanceCounter), from which the script learns how that clock
// lines up with its own.
//
//   ropi_bench.exe [--smoke] [--trace] [--cpu-marks] [--json FILE]
//
// --smoke runs a few ticks of each kind and judges no figure; --trace tells of every tick and
// of every late wake-up of the bare thread on stderr, to find what made a tick late.
// With --cpu-marks the program prints "cpu begin <what>" and "cpu end <what>" around each span
// of a processor figure and waits for a line on stdin after each: meanwhile wine_bench.py reads
// the processor time of every process of the Wine prefix, for the share of the program's own
// process and of Wine's others (its server, services, devices and desktop) over the same spans.
#include "../Round.h"

#include "platform/shared/Text.h"
#include "platform/windows/WinBackend.h"
#include "window/Form1.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

// Older headers of mingw-w64 lack the flag that Windows 10 1803 brought.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

using namespace bench;

namespace {

const std::string kUnder = " (Windows build under Wine)";

// The program's own processor time over wall time; with marks, wine_bench.py takes every Wine
// process's over the same spans. Under Wine, GetProcessTimes and the kernel's account that
// wine_bench.py reads count in clock ticks (10 ms): each figure is taken over spans of 10 s and
// more in all, where that matters little.
struct Span {
    std::string what; // the row's name, after "CPU, "
    bool marks;
    CpuShare own{};
    void mark(const char *edge) const
    {
        if (!marks)
            return;
        std::printf("cpu %s %s\n", edge, what.c_str());
        std::fflush(stdout);
        char reply[8];
        std::fgets(reply, sizeof reply, stdin);
    }
    void begin()
    {
        mark("begin");
        own.begin();
    }
    void end()
    {
        own.end();
        mark("end");
    }
};

void sync()
{
    std::printf("sync %lld\n", static_cast<long long>(wallNs()));
    std::fflush(stdout);
}

// A key press as the window receives it from Windows.
void press(Form1 &form, WPARAM key)
{
    SendMessageW(platform::Backend::impl(form).hwnd, WM_KEYDOWN, key, 1);
}

// Delivers the window's messages until done() or the timeout.
template <typename Done> void runUntil(Done done, int timeoutMs)
{
    const std::int64_t deadline = wallNs() + std::int64_t(timeoutMs) * 1'000'000;
    MSG message;
    while (!done()) {
        const std::int64_t left = deadline - wallNs();
        if (left <= 0)
            return;
        MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(left / 1'000'000 + 1), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
        while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void runFor(int milliseconds)
{
    runUntil([] { return false; }, milliseconds);
}

// A bare thread sleeping to fixed deadlines on a high-resolution waitable timer beside the
// game: how late the machine, Wine included, wakes a sleeper meanwhile. No timer of the game
// can do better.
void recordWakeLateness(const std::atomic<bool> &stop, std::vector<Wake> &wakes, bool trace,
                        std::int64_t origin)
{
    constexpr std::int64_t kPeriodNs = 100'000'000;
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    if (!timer)
        timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    std::int64_t deadline = wallNs();
    while (!stop) {
        deadline += kPeriodNs;
        LARGE_INTEGER due;
        due.QuadPart = -std::max<std::int64_t>(1, (deadline - wallNs()) / 100); // relative, 100 ns
        SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
        WaitForSingleObject(timer, INFINITE);
        wakes.push_back({deadline, ms(wallNs() - deadline)});
        if (trace && wakes.back().lateMs > 1)
            std::fprintf(stderr, "wake %10.3f ms  late by %.3f ms\n", ms(deadline - origin),
                         wakes.back().lateMs);
    }
    CloseHandle(timer);
}

Row cpuRow(const Span &span, double goal)
{
    return bench::cpuRow(span.what, span.own, goal, kUnder);
}

} // namespace

int main(int argc, char **argv)
{
    const bench::Options options = bench::parseOptions(argc, argv);
    const bool smoke = options.smoke, trace = options.trace, marks = options.cpuMarks;
    const std::string &jsonPath = options.jsonPath;
    // As the game's own start: the picture decoder is a COM object of the window's thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    sync();

    // The game reads its picture and cues from the current directory, which the caller sets.
    Form1 form;
    platform::guarded([&] {
        form.Load();
        form.Show();
    });
    if (!platform::MMControl::hasAudioDevice())
        std::fprintf(stderr, "ropi_bench: no audio device; the cues are silent\n");
    std::vector<CueEvent> events;

    // The window idle before any round.
    Span idle{"window idle", marks};
    idle.begin();
    runFor(smoke ? 300 : 10000);
    idle.end();

    // One round without a shot. It holds 100 intervals at 250 and at 500 ms; those at 1000
    // and 2000 ms are reported by their maximum. The rest of the round runs at 250 ms again.
    Rhythm rhythm(smoke ? std::vector<Rhythm::Phase>{{'4', 250, 3}, {'3', 500, 2}}
                        : std::vector<Rhythm::Phase>{{'4', 250, kP99Samples},
                                                     {'3', 500, kP99Samples},
                                                     {'2', 1000, 10},
                                                     {'1', 2000, 10},
                                                     {'4', 250, 1000}},
                  form.Timer1.Interval());
    Span running{"round running at 250 ms", marks};
    std::int64_t roundStart = 0;
    form.Timer1.Tick.connect([&] {
        const std::int64_t now = wallNs();
        platform::guarded([&] { form.Timer1_Timer(); });
        events.push_back({"jump", now, platform::toUtf8(form.cueFile)});
        if (trace)
            std::fprintf(stderr, "jump handler %.3f ms at %10.3f ms, period %d\n",
                         ms(wallNs() - now), ms(now - roundStart), form.Timer1.Interval());
        if (const int key = rhythm.jump(now, form.Timer1.Interval(), running))
            press(form, WPARAM(key));
    });
    bool roundOver = false;
    std::vector<std::int64_t> seconds;
    form.Timer2.Tick.connect([&] {
        seconds.push_back(wallNs());
        platform::guarded([&] { form.Timer2_Timer(); });
        roundOver = !form.Timer2.Enabled();
        sync();
    });
    if (smoke)
        form.timeLeft = 4;
    const int roundSeconds = form.timeLeft;
    press(form, WPARAM(rhythm.phases[0].key));
    std::atomic<bool> noiseStop{false};
    std::vector<Wake> wakes;
    std::thread noise(recordWakeLateness, std::cref(noiseStop), std::ref(wakes), trace, wallNs());
    press(form, VK_SPACE);
    roundStart = wallNs();
    runUntil([&] { return roundOver; }, (roundSeconds + 10) * 1000);
    noiseStop = true;
    noise.join();
    if (running.own.wallStart && !running.own.wall)
        running.end();

    // Shots after the round, each a hit with the 0.5 s chime; beside every third, the same
    // chime waited out by spinning on the device's mode, which needs no more samples to show
    // its cost.
    Span hold{"hold of a shot (0.5 s chime)", marks};
    CpuShare spin;
    for (int i = 0; i < (smoke ? 2 : 30); ++i) {
        form.catPos = rules::kScoringSlot;
        // Each shot lands at another point of the sink's 5 ms blocks and of Wine's 10 ms periods.
        std::this_thread::sleep_for(std::chrono::microseconds(1067 * (i % 10)));
        sync();
        hold.begin();
        events.push_back({"shot", wallNs(), platform::toUtf8(u"ピンポン.wav")});
        press(form, 'F');
        hold.end();
        runFor(30);
        if (i % 3 != 0)
            continue;
        form.MMControl1.setFileName(u"ピンポン.wav");
        form.MMControl1.setCommand(u"Open");
        // Not timed: it only marks where the shot's own chime can no longer be found.
        events.push_back({"spin", wallNs(), platform::toUtf8(u"ピンポン.wav")});
        form.MMControl1.setCommand(u"Play");
        spin.begin();
        while (form.MMControl1.Mode() == platform::MMControl::kModePlay) {
        }
        spin.end();
        runFor(30);
    }
    sync();

    // The window idle again. Once the device has played, Wine's sound driver keeps polling the
    // sound server while the device stays open, as the game keeps it.
    Span idleAfter{"window idle after the round and shots", marks};
    idleAfter.begin();
    runFor(smoke ? 300 : 10000);
    idleAfter.end();

    std::vector<Row> rows =
        roundRows(rhythm, seconds, roundStart, roundSeconds, wakes, " on a waitable timer", kUnder);
    rows.push_back(cpuRow(idle, 1));
    rows.push_back(cpuRow(idleAfter, 1));
    rows.push_back(cpuRow(running, 3));
    rows.push_back(cpuRow(hold, 5));
    rows.push_back(spinRow(spin, hold.own, kUnder));
    rows.push_back(memoryRow("Peak working set, ropi_bench.exe after the round", kUnder));
    printRows(rows, smoke);
    writeJson(jsonPath, rows, eventsJson(events));
    // Smoke: the figures are not judged, but every kind must have been measured.
    const bool measured = !events.empty() && !seconds.empty() && rhythm.deviations.count(250) &&
                          rhythm.deviations.count(500);
    if (!measured)
        std::fprintf(stderr, "ropi_bench: some figure got no sample\n");
    return measured ? 0 : 1;
}
