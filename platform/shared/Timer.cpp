#include "platform/Timer.h"

#include "platform/shared/Backend.h"

namespace platform {

void Timer::Ends::operator()(Impl *impl) const { Backend::end(impl); }

Timer::Timer(Form &form, int interval) : interval_(interval) { Backend::make(*this, form); }

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
