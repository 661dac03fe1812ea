#include "platform/web/WebBackend.h"

#include <algorithm>
#include <vector>

// The timers tick in the game's own loop (WebEvents.cpp), which sleeps until the
// first is due: ticks come behind a message box and an open menu too, and a
// handler never runs inside another.
namespace platform {

namespace {

std::vector<Timer::Impl *> &running()
{
    static std::vector<Timer::Impl *> timers;
    return timers;
}

} // namespace

namespace web {

// The page hears when the first timer starts and when the last one stops.
void addTimer(Timer::Impl &timer)
{
    if (std::find(running().begin(), running().end(), &timer) != running().end())
        return;
    running().push_back(&timer);
    if (running().size() == 1)
        ropi_timers_running(1);
}

void removeTimer(Timer::Impl &timer)
{
    const auto found = std::find(running().begin(), running().end(), &timer);
    if (found == running().end())
        return;
    running().erase(found);
    if (running().empty())
        ropi_timers_running(0);
}

Timer::Impl *firstDueTimer()
{
    Timer::Impl *first = nullptr;
    for (Timer::Impl *timer : running())
        if (!first || timer->schedule.due() < first->schedule.due())
            first = timer;
    return first;
}

} // namespace web

void Backend::make(Timer &timer, Form &) { timer.impl_.reset(new Timer::Impl{timer, {}}); }

void Backend::end(Timer::Impl *impl)
{
    web::removeTimer(*impl);
    delete impl;
}

void Backend::startTicking(Timer &timer, int milliseconds)
{
    impl(timer).schedule.start(web::now(), milliseconds);
    web::addTimer(impl(timer));
}

void Backend::stopTicking(Timer &timer)
{
    impl(timer).schedule.stop();
    web::removeTimer(impl(timer));
}

bool Backend::isTicking(const Timer &timer) { return impl(timer).schedule.running(); }

} // namespace platform
