#include "platform/qt/QtBackend.h"

namespace platform {

Timer::Timer(Form &, int interval) : interval_(interval), impl_(std::make_unique<Impl>())
{
    impl_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&impl_->timer, &QTimer::timeout, [this] { Tick.raise(); });
}

Timer::~Timer() = default;

void Backend::startTicking(Timer &timer, int milliseconds)
{
    impl(timer).timer.start(milliseconds);
}

void Backend::stopTicking(Timer &timer) { impl(timer).timer.stop(); }

bool Backend::isTicking(const Timer &timer) { return impl(timer).timer.isActive(); }

} // namespace platform
