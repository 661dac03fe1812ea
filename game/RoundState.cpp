#include "game/RoundState.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rules {

std::int16_t addSaturated(std::int16_t value, int change)
{
    const int sum = value + change;
    return static_cast<std::int16_t>(std::clamp(sum, int(std::numeric_limits<std::int16_t>::min()),
                                                int(std::numeric_limits<std::int16_t>::max())));
}

void noteJump(RoundState &state, Moment at)
{
    state.lastJumps.push_back({at, state.catPos});
    if (state.lastJumps.size() > kJumpsKept) {
        state.slotBeforeJumps = state.lastJumps.front().slot;
        state.lastJumps.pop_front();
    }
}

std::int16_t slotAt(const RoundState &state, Moment moment)
{
    const auto landed = std::find_if(state.lastJumps.rbegin(), state.lastJumps.rend(),
                                     [moment](const Jump &jump) { return jump.at <= moment; });
    return landed == state.lastJumps.rend() ? state.slotBeforeJumps : landed->slot;
}

std::int16_t soundDelayFrom(std::u16string_view stored)
{
    if (stored.empty() || stored.size() > 4)
        return 0;
    int value = 0;
    for (const char16_t digit : stored) {
        if (digit < u'0' || digit > u'9')
            return 0;
        value = value * 10 + (digit - u'0');
    }
    return value <= kMostSoundDelay ? static_cast<std::int16_t>(value) : 0;
}

std::optional<std::int16_t> measuredDelay(const std::vector<Moment> &beats,
                                          const std::vector<Moment> &presses)
{
    std::vector<double> answers;
    for (const Moment beat : beats) {
        const auto answer = std::find_if(presses.begin(), presses.end(), [beat](Moment press) {
            return press >= beat - kEarliestAnswer &&
                   press < beat - kEarliestAnswer + kMeasuringBeat;
        });
        if (answer != presses.end())
            answers.push_back(std::chrono::duration<double, std::milli>(*answer - beat).count());
    }
    if (answers.size() < kFewestAnswers)
        return std::nullopt;
    std::sort(answers.begin(), answers.end());
    const std::size_t middle = answers.size() / 2;
    const double median =
        answers.size() % 2 ? answers[middle] : (answers[middle - 1] + answers[middle]) / 2;
    return static_cast<std::int16_t>(std::clamp(std::lround(median), 0L, long(kMostSoundDelay)));
}

} // namespace rules
