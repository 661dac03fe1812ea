#include "platform/Timer.h"

#include "platform/Backend.h"

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
        Backend::stopTicking(*this);
        return;
    }
    if (restart || !Backend::isTicking(*this))
        Backend::startTicking(*this, interval_);
}

} // namespace platform
