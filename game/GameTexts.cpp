#include "game/GameTexts.h"

#include "game/RoundState.h"
#include "platform/Services.h"

namespace texts {

QString scoreText(std::int16_t score) { return platform::Str(score); }

QString scoreLine(std::int16_t score) { return QStringLiteral("得点 ") + scoreText(score); }

QString buttonText(std::int16_t score)
{
    return QStringLiteral("得点 ") + scoreText(score) + QStringLiteral("　おしまい") +
           QStringLiteral("\r\n") + QStringLiteral("[ Enter ]でリセット");
}

QString timeLine(std::int16_t timeLeft)
{
    return QStringLiteral("TIME ") + platform::CStr(timeLeft);
}

QString fullTimeLine() { return QStringLiteral("TIME") + platform::Str(rules::kRoundLength); }

} // namespace texts
