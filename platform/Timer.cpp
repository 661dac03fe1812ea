#include "platform/Timer.h"

namespace platform {

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
    if (!enabled_ || interval_ <= 0) {
        stopTicking();
        return;
    }
    if (restart || !isTicking())
        startTicking(interval_);
}

} // namespace platform
