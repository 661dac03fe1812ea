#include "platform/qt/QtBackend.h"

namespace platform {

void Backend::make(Timer &timer, Form &)
{
    timer.impl_.reset(new Timer::Impl);
    timer.impl_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer.impl_->timer, &QTimer::timeout, [&timer] { timer.Tick.raise(); });
}

void Backend::end(Timer::Impl *impl) { delete impl; }

void Backend::startTicking(Timer &timer, int milliseconds)
{
    impl(timer).timer.start(milliseconds);
}

void Backend::stopTicking(Timer &timer) { impl(timer).timer.stop(); }

bool Backend::isTicking(const Timer &timer) { return impl(timer).timer.isActive(); }

} // namespace platform
