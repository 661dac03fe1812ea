#pragma once

#include <cstdint>
#include <string>

// Everything the game remembers between events. The visibility choice lives in
// the check mark of its menu item and the running period of the cat in its
// timer; nothing else is kept, and nothing survives the run.
struct RoundState {
    std::int16_t catPos = 0;      // the cat's slot, 0 (left) to 4 (right)
    std::u16string cueFile;       // the cue the next PlayCue opens
    std::int16_t catInterval = 0; // the cat's period in ms; 0 until a speed is chosen
    std::int16_t timeLeft = 0;    // seconds left in the round
    std::int16_t score = 0;
};

namespace rules {

constexpr int kSlots = 5;
constexpr int kScoringSlot = 2;
constexpr int kPointsPerShot = 10;
constexpr std::int16_t kRoundLength = 120;
constexpr std::int16_t kSlow = 2000;
constexpr std::int16_t kNormal = 1000;
constexpr std::int16_t kFast = 500;
constexpr std::int16_t kVeryFast = 250;

// Scores and the count in Overtime stop at the ends of their 16-bit range
// instead of overflowing, so a long session never ends the game.
std::int16_t addSaturated(std::int16_t value, int change);

} // namespace rules
