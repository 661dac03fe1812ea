#pragma once

#include "platform/Runtime.h"

#include <chrono>
#include <functional>
#include <utility>

namespace platform {

// When the event being handled happened, on the steady clock: a key press when the system
// took it, however long it then waited behind a held cue; a tick or a click when it was
// delivered. Outside any event, now.
std::chrono::steady_clock::time_point EventTime();

// Runs a handler of the game as the event that happened at that moment, guarded as every
// handler is: EventTime() reads the moment meanwhile.
void handleEvent(std::chrono::steady_clock::time_point happenedAt,
                 const std::function<void()> &handler);

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
            handleEvent(std::chrono::steady_clock::now(), handler_);
    }

private:
    std::function<void()> handler_;
};

} // namespace platform
