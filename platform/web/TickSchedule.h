#pragma once

// When a timer of the window ticks, on the page's clock in milliseconds. Ticks
// keep to the beat set when the timer started: a tick that comes late does not
// shift the next, and ticks that fell due while the game was busy (a cue's hold,
// a file on its way) come as one.

#include <cmath>

namespace platform::web {

class TickSchedule {
public:
    // Ticks every period from now on.
    void start(double now, double period)
    {
        running_ = true;
        period_ = period;
        due_ = now + period;
    }
    void stop() { running_ = false; }
    bool running() const { return running_; }
    // When the next tick falls due.
    double due() const { return due_; }

    // True when a tick is due at `now`; the next is then the first beat after now.
    bool take(double now)
    {
        if (!running_ || now < due_)
            return false;
        due_ += (std::floor((now - due_) / period_) + 1) * period_;
        return true;
    }

private:
    bool running_ = false;
    double period_ = 0;
    double due_ = 0;
};

} // namespace platform::web
