#include "game/GameTexts.h"

#include "game/RoundState.h"
#include "platform/Services.h"

namespace texts {

std::u16string scoreText(std::int16_t score) { return platform::Str(score); }

std::u16string scoreLine(std::int16_t score) { return u"得点 " + scoreText(score); }

std::u16string buttonText(std::int16_t score)
{
    return u"得点 " + scoreText(score) + u"　おしまい" + u"\r\n" + u"[ Enter ]でリセット";
}

std::u16string timeLine(std::int16_t timeLeft) { return u"TIME " + platform::CStr(timeLeft); }

std::u16string fullTimeLine() { return u"TIME" + platform::Str(rules::kRoundLength); }

} // namespace texts
