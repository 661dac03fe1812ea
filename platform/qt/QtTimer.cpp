#include "platform/qt/QtBackend.h"

namespace platform {

Timer::Timer(Form &, int interval) : interval_(interval), impl_(std::make_unique<Impl>())
{
    impl_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&impl_->timer, &QTimer::timeout, [this] { Tick.raise(); });
}

Timer::~Timer() = default;

void Timer::startTicking(int milliseconds) { impl_->timer.start(milliseconds); }

void Timer::stopTicking() { impl_->timer.stop(); }

bool Timer::isTicking() const { return impl_->timer.isActive(); }

} // namespace platform
