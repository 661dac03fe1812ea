#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Moment = std::chrono::steady_clock::time_point;

// One jump of the cat: when it landed, and where.
struct Jump {
    Moment at;
    std::int16_t slot;
};

// Everything the game remembers between events. The visibility choice lives in
// the check mark of its menu item and the running period of the cat in its
// timer. Only the player's sound delay survives the run, in the settings.
struct RoundState {
    std::int16_t catPos = 0;      // the cat's slot, 0 (left) to 4 (right)
    std::u16string cueFile;       // the cue the next PlayCue opens
    std::int16_t catInterval = 0; // the cat's period in ms; 0 until a speed is chosen
    std::int16_t timeLeft = 0;    // seconds left in the round
    std::int16_t score = 0;

    // How late the player's sound reaches their ears, in ms, as they measured it. With the
    // cat hidden they aim by ear, and a shot is judged by the jump they had heard.
    std::int16_t soundDelay = 0;
    // The cat's last jumps, oldest first, and the slot it stood in before them.
    std::deque<Jump> lastJumps;
    std::int16_t slotBeforeJumps = 0;
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

// The longest sound delay the game allows for: Bluetooth headphones bring up to about 300 ms.
constexpr std::int16_t kMostSoundDelay = 1000;
// Jumps kept: the longest delay reaches four jumps back at the fastest beat.
constexpr std::size_t kJumpsKept = 8;
// A player answers each cue with a spread: a press up to this much sooner than their measured
// delay still answers the jump they heard last, not the one before it.
constexpr std::chrono::milliseconds kAnswerSpread{100};

// Notes that the cat has just landed in catPos.
void noteJump(RoundState &state, Moment at);
// The slot the cat stood in at that moment, as far back as the jumps kept reach.
std::int16_t slotAt(const RoundState &state, Moment moment);

// The sound delay a stored setting gives: a whole number of ms from 0 to kMostSoundDelay, and
// 0 for anything else.
std::int16_t soundDelayFrom(std::u16string_view stored);

// The measurement of the delay: a steady beat, and the player presses with what they hear.
constexpr int kMeasuredBeats = 8;
// Long enough for the longest delay to answer its own beat.
constexpr std::chrono::milliseconds kMeasuringBeat{1250};
// A press up to this much before a beat answers it: in time with a steady beat, a player may
// press a little ahead of what they hear.
constexpr std::chrono::milliseconds kEarliestAnswer{150};
// Fewer answers than this measure nothing.
constexpr std::size_t kFewestAnswers = 4;

// The player's delay: the median of how late each beat's first press came, from
// kEarliestAnswer before it to a beat's length later; presses that answer no beat are left
// out. Nothing when fewer than kFewestAnswers beats were answered.
std::optional<std::int16_t> measuredDelay(const std::vector<Moment> &beats,
                                          const std::vector<Moment> &presses);

} // namespace rules
