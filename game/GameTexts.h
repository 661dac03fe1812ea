#pragma once

#include <cstdint>
#include <string>

// The texts the panel, the button and the clipboard show.
namespace texts {

// " 10", " 0", "-10": the score with a sign position.
std::u16string scoreText(std::int16_t score);
// "得点  10": the score label after a shot, and what goes on the clipboard.
std::u16string scoreLine(std::int16_t score);
// The caption of the reset button: the score, "　おしまい", and on a second line
// the hint "[ Enter ]でリセット".
std::u16string buttonText(std::int16_t score);
// "TIME 119", "TIME -1".
std::u16string timeLine(std::int16_t timeLeft);
// The time line of a fresh round, "TIME 120".
std::u16string fullTimeLine();

} // namespace texts
