#pragma once

#include <QString>

#include <cstdint>

// The texts the panel, the button and the clipboard show.
namespace texts {

// " 10", " 0", "-10": the score with a sign position.
QString scoreText(std::int16_t score);
// "得点  10": the score label after a shot, and what goes on the clipboard.
QString scoreLine(std::int16_t score);
// The caption of the reset button: the score, "　おしまい", and on a second line
// the hint "[ Enter ]でリセット".
QString buttonText(std::int16_t score);
// "TIME 119", "TIME -1".
QString timeLine(std::int16_t timeLeft);
// The time line of a fresh round, "TIME 120".
QString fullTimeLine();

} // namespace texts
