#pragma once

// What the game's loop does next: deliver the first due tick of its timers or
// the first event the page queued, whichever came due first, or sleep until the
// next tick falls due (or, with no timer running, until the page has an event).

#include <optional>

namespace platform::web {

struct Step {
    enum Kind { Tick, Event, Sleep } kind;
    double sleepMs = -1; // for Sleep: how long at most; -1 for as long as it takes
};

inline Step nextStep(double now, std::optional<double> firstTickDue,
                     std::optional<double> firstEventTime)
{
    // A key pressed during a hold comes before the tick that fell due after it, and after
    // one that fell due before it.
    if (firstTickDue && *firstTickDue <= now &&
        (!firstEventTime || *firstTickDue <= *firstEventTime))
        return {Step::Tick};
    if (firstEventTime)
        return {Step::Event};
    return {Step::Sleep, firstTickDue ? *firstTickDue - now : -1};
}

} // namespace platform::web
