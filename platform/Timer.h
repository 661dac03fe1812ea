#pragma once

#include "platform/Event.h"

#include <memory>

namespace platform {

class Form;

// A timer of the window that ticks every Interval milliseconds while Enabled.
// Ticks are precise to the millisecond; a tick that fell due while the thread
// was busy comes once afterwards and is never made up. Interval 0 gives no ticks.
// A backend completes it (platform/shared/Backend.h).
class Timer {
public:
    Timer(Form &form, int interval);
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    bool Enabled() const { return enabled_; }
    // Enabling a running timer keeps its period going; it does not restart it.
    void setEnabled(bool enabled);
    int Interval() const { return interval_; }
    // A new period starts counting from now; setting the period it already has
    // changes nothing, so a timer re-armed on every tick keeps its rhythm.
    void setInterval(int milliseconds);

    Event Tick;

    struct Impl; // the backend's timer
    struct Ends {
        void operator()(Impl *impl) const; // ends it through Backend::end
    };

private:
    friend struct Backend;
    void update(bool restart);

    int interval_;
    bool enabled_ = false;
    std::unique_ptr<Impl, Ends> impl_;
};

} // namespace platform
