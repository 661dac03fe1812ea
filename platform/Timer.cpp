#include "platform/Timer.h"

namespace platform {

Timer::Timer(QObject *parent, int interval, bool enabled) : QObject(parent), interval_(interval)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::tick);
    setEnabled(enabled);
}

void Timer::setEnabled(bool enabled)
{
    enabled_ = enabled;
    update(false);
}

void Timer::setInterval(int milliseconds)
{
    const bool changed = milliseconds != interval_;
    interval_ = milliseconds;
    update(changed);
}

void Timer::update(bool restart)
{
    // QTimer with an interval of 0 would fire on every pass of the event loop.
    if (!enabled_ || interval_ <= 0) {
        timer_.stop();
        return;
    }
    if (restart || !timer_.isActive())
        timer_.start(interval_);
}

} // namespace platform
