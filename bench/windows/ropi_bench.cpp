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
//   ropi_bench.exe [--smoke] [--trace] [--json FILE] [--wineserver-pid PID]
//
// --smoke runs a few ticks of each kind and judges no figure; --trace tells of every tick and
// of every late wake-up of the bare thread on stderr, to find what made a tick late.
// With --wineserver-pid, the processor time of the Wine server is read beside the program's
// own, over the same spans: under Wine part of every wait and message is the server's work.
#include "../Round.h"

#include "platform/Text.h"
#include "platform/windows/WinBackend.h"
#include "window/Form1.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

// A moment the game was asked to sound a cue, and the cue it chose.
struct CueEvent {
    std::string kind; // "jump", "shot", or "spin" for the chime beside a shot
    std::int64_t ns;
    std::string cue;
};

// The Wine server's processor time, from the kernel's account of the server (one thread, so
// the first figure of its schedstat is all of it, in nanoseconds). -1 when it cannot be read.
class ServerClock {
public:
    explicit ServerClock(int pid)
    {
        if (pid <= 0)
            return;
        const std::wstring path = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\schedstat";
        file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    }
    ~ServerClock()
    {
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
    }
    ServerClock(const ServerClock &) = delete;
    ServerClock &operator=(const ServerClock &) = delete;

    std::int64_t cpuNs() const
    {
        if (file_ == INVALID_HANDLE_VALUE)
            return -1;
        char text[128] = {};
        OVERLAPPED from{}; // always from the start: the kernel writes the figures afresh
        DWORD got = 0;
        if (!ReadFile(file_, text, sizeof text - 1, &got, &from) || got == 0)
            return -1;
        return std::strtoll(text, nullptr, 10);
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The program's own processor time over wall time, with the server's beside it. Under Wine,
// GetProcessTimes counts in the kernel's clock ticks (10 ms): each figure is taken over spans of
// 10 s and more in all, where that matters little.
struct Span {
    const ServerClock *server;
    CpuShare own{};
    std::int64_t serverCpu = 0, serverStart = 0;
    bool serverKnown = true;
    void begin()
    {
        own.begin();
        serverStart = server->cpuNs();
    }
    void end()
    {
        own.end();
        const std::int64_t now = server->cpuNs();
        if (now < 0 || serverStart < 0)
            serverKnown = false;
        else
            serverCpu += now - serverStart;
    }
    double serverPercent() const
    {
        return serverKnown && own.wall > 0 ? 100.0 * double(serverCpu) / double(own.wall) : -1;
    }
};

void sync()
{
    std::printf("sync %lld\n", static_cast<long long>(wallNs()));
    std::fflush(stdout);
}

// A key press as the window receives it from Windows.
void press(Form1 &form, WPARAM key) { SendMessageW(form.impl().hwnd, WM_KEYDOWN, key, 1); }

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

Row cpuRow(const std::string &what, const Span &span, double goal)
{
    Row row = bench::cpuRow(what, span.own, goal, kUnder);
    if (const double server = span.serverPercent(); server >= 0) {
        char text[64];
        std::snprintf(text, sizeof text, " (Wine server meanwhile %.2f %%)", server);
        row.result += text;
        row.values["wineserver_percent"] = server;
    }
    return row;
}

// The moments of the cues, for wine_bench.py to find them in its recording.
std::string eventsJson(const std::vector<CueEvent> &events)
{
    std::string json = ",\n\"events\": [\n";
    for (std::size_t i = 0; i < events.size(); ++i)
        json += "  {\"kind\": \"" + events[i].kind + "\", \"ns\": " + std::to_string(events[i].ns) +
                ", \"cue\": \"" + events[i].cue + "\"}" + (i + 1 < events.size() ? ",\n" : "\n");
    return json + "]";
}

} // namespace

int main(int argc, char **argv)
{
    bool smoke = false, trace = false;
    std::string jsonPath = "bench.json";
    int serverPid = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--smoke")
            smoke = true;
        else if (arg == "--trace")
            trace = true;
        else if (arg == "--json" && i + 1 < argc)
            jsonPath = argv[++i];
        else if (arg == "--wineserver-pid" && i + 1 < argc)
            serverPid = std::atoi(argv[++i]);
    }
    // As the game's own start: the picture decoder is a COM object of the window's thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const ServerClock server(serverPid);
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
    Span idle{&server};
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
    Span running{&server};
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

    // Shots after the round, each a hit with the 0.5 s chime; beside each, the same chime
    // waited out by spinning on the device's mode.
    Span hold{&server}, spin{&server};
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
    Span idleAfter{&server};
    idleAfter.begin();
    runFor(smoke ? 300 : 10000);
    idleAfter.end();

    std::vector<Row> rows =
        roundRows(rhythm, seconds, roundStart, roundSeconds, wakes, " on a waitable timer", kUnder);
    rows.push_back(cpuRow("window idle", idle, 1));
    rows.push_back(cpuRow("window idle after the round and shots", idleAfter, 1));
    rows.push_back(cpuRow("round running at 250 ms", running, 3));
    rows.push_back(cpuRow("hold of a shot (0.5 s chime)", hold, 5));
    rows.push_back(spinRow(spin.own, hold.own, kUnder));
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
