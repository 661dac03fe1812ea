#include "platform/Event.h"

#include <optional>

namespace platform {

namespace {
// The moment of the event being handled; a modal box lets other events run inside one.
std::optional<std::chrono::steady_clock::time_point> handling;
} // namespace

std::chrono::steady_clock::time_point EventTime()
{
    return handling.value_or(std::chrono::steady_clock::now());
}

void handleEvent(std::chrono::steady_clock::time_point happenedAt,
                 const std::function<void()> &handler)
{
    const auto outer = std::exchange(handling, happenedAt);
    guarded(handler);
    handling = outer;
}

} // namespace platform
