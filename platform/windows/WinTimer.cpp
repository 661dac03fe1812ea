#include "platform/windows/WinBackend.h"

#include <mmsystem.h>

// Older headers of mingw-w64 lack the flag that Windows 10 1803 brought.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {

namespace {

// A high-resolution timer keeps to its period within a millisecond; without one (before
// Windows 10 1803) the system's timer resolution is raised to 1 ms for the run instead.
HANDLE makeWaitableTimer()
{
    if (HANDLE timer = CreateWaitableTimerExW(
            nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS))
        return timer;
    static const bool fineResolution = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)fineResolution;
    return CreateWaitableTimerW(nullptr, FALSE, nullptr);
}

// Waits on the timer beside the window's thread and posts each tick to the window, so that
// ticks come in the window's own loop and in those of its menus and message boxes. While a
// tick waits in the queue no other is posted: one that fell due while the window was busy
// comes once, and is never made up.
void tickWhileRunning(Timer::Impl &impl)
{
    const HANDLE handles[] = {impl.quit, impl.waitable};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        std::lock_guard lock(impl.mutex);
        if (impl.running && !impl.posted)
            impl.posted = PostMessageW(impl.window, win::kTickMessage, impl.generation,
                                       reinterpret_cast<LPARAM>(&impl));
    }
}

} // namespace

namespace win {

void deliverTick(Timer::Impl &impl, WPARAM generation)
{
    {
        std::lock_guard lock(impl.mutex);
        // A tick posted before the timer was stopped or restarted is not the timer's now.
        if (generation != impl.generation)
            return;
        impl.posted = false;
        if (!impl.running)
            return;
    }
    impl.timer.Tick.raise();
}

} // namespace win

void Backend::make(Timer &timer, Form &form)
{
    timer.impl_.reset(new Timer::Impl{timer, impl(form).hwnd, makeWaitableTimer(),
                                      CreateEventW(nullptr, TRUE, FALSE, nullptr)});
    Timer::Impl &made = *timer.impl_;
    if (!made.waitable || !made.quit)
        throw RuntimeError(kErrInternal, u"タイマーを作成できません。");
    made.thread = std::thread(tickWhileRunning, std::ref(made));
}

void Backend::end(Timer::Impl *impl)
{
    if (impl->thread.joinable()) {
        SetEvent(impl->quit);
        impl->thread.join();
    }
    if (impl->waitable)
        CloseHandle(impl->waitable);
    if (impl->quit)
        CloseHandle(impl->quit);
    delete impl;
}

void Backend::startTicking(Timer &timer, int milliseconds)
{
    Timer::Impl &ticking = impl(timer);
    std::lock_guard lock(ticking.mutex);
    ++ticking.generation;
    ticking.running = true;
    ticking.posted = false;
    LARGE_INTEGER due;
    due.QuadPart = -10'000LL * milliseconds; // relative, in 100 ns
    SetWaitableTimer(ticking.waitable, &due, milliseconds, nullptr, nullptr, FALSE);
}

void Backend::stopTicking(Timer &timer)
{
    Timer::Impl &ticking = impl(timer);
    std::lock_guard lock(ticking.mutex);
    ++ticking.generation;
    ticking.running = false;
    CancelWaitableTimer(ticking.waitable);
}

bool Backend::isTicking(const Timer &timer)
{
    Timer::Impl &ticking = impl(timer);
    std::lock_guard lock(ticking.mutex);
    return ticking.running;
}

} // namespace platform
