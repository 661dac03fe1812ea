#include "game/RoundState.h"

#include <algorithm>
#include <limits>

namespace rules {

std::int16_t addSaturated(std::int16_t value, int change)
{
    const int sum = value + change;
    return static_cast<std::int16_t>(std::clamp(sum, int(std::numeric_limits<std::int16_t>::min()),
                                                int(std::numeric_limits<std::int16_t>::max())));
}

} // namespace rules
