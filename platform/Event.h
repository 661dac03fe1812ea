#pragma once

#include "platform/Runtime.h"

#include <functional>
#include <utility>

namespace platform {

// An event of a control: a click, a timer's tick. The window connects its
// handler; the backend raises the event when it happens, and the handler runs
// the way every handler of the game runs: an error it does not catch ends the
// program with an error report.
class Event {
public:
    template <typename Window> void connect(Window &window, void (Window::*handler)())
    {
        handler_ = [&window, handler] { (window.*handler)(); };
    }
    void connect(std::function<void()> handler) { handler_ = std::move(handler); }

    void raise() const
    {
        if (handler_)
            guarded(handler_);
    }

private:
    std::function<void()> handler_;
};

} // namespace platform
