// The benchmark of the Windows build: the real game window on the Win32 backend, driven by the
// benchmark's script (bench/Script.h) from a message loop of its own. Under Wine, wine_bench.py
// runs it with --cpu-marks and reads every process of the Wine prefix over each span.
//
// Cue onsets need the sound as it leaves for the speakers, and waveOut says nothing of that
// (under Wine, waveOutGetPosition counts the frames Wine has taken, not those played): its
// script finds the cues in a recording of the sound server's sink.
//
//   ropi_bench.exe [--smoke] [--trace] [--cpu-marks] [--json FILE]
#include "../Desktop.h"

#include "platform/windows/WinBackend.h"
#include "window/Form1.h"

#include <objbase.h>

// Older headers of mingw-w64 lack the flag that Windows 10 1803 brought.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

using namespace bench;

namespace {

// Delivers the window's messages until done() or the timeout.
void runUntil(const std::function<bool()> &done, int timeoutMs)
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

} // namespace

int main(int argc, char **argv)
{
    const Options options = parseOptions(argc, argv);
    // As the game's own start: the picture decoder is a COM object of the window's thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    // The game reads its picture and cues from the current directory, which the caller sets.
    Form1 form;
    platform::guarded([&] {
        form.Load();
        form.Show();
    });
    if (!platform::MMControl::hasAudioDevice())
        std::fprintf(stderr, "ropi_bench: no audio device; the cues are silent\n");

    Driver driver;
    // One round: 100 intervals at 250 and at 500 ms; those at 1000 and 2000 ms are reported by
    // their maximum; the rest of the round runs at 250 ms again.
    driver.phases = {
        {'4', 250, 100}, {'3', 500, 100}, {'2', 1000, 10}, {'1', 2000, 10}, {'4', 250, 1000}};
    driver.press = [&form](int key) {
        SendMessageW(platform::Backend::impl(form).hwnd, WM_KEYDOWN, WPARAM(key), 1);
    };
    driver.runUntil = runUntil;
    // The bare thread sleeps on a high-resolution waitable timer: how late the machine, Wine
    // included, wakes such a sleeper.
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    if (!timer)
        timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    fillDesktopDriver(driver, options, [timer](std::int64_t deadline) {
        LARGE_INTEGER due;
        due.QuadPart = -std::max<std::int64_t>(1, (deadline - wallNs()) / 100); // relative, 100 ns
        SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
        WaitForSingleObject(timer, INFINITE);
    });

    const bool measured = run(form, driver, options);
    if (!measured)
        std::fprintf(stderr, "ropi_bench: some figure got no sample\n");
    return measured ? 0 : 1;
}
