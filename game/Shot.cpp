#include "game/GameTexts.h"
#include "platform/Services.h"
#include "window/Form1.h"

// F or J. The middle slot scores, any other slot costs; the chime or buzzer
// plays to its end before the score shows, so the player hears the verdict
// first. The score line also goes to the clipboard.
void Form1::Ropi()
{
    if (AimedSlot() == rules::kScoringSlot) {
        cueFile = u"ピンポン.wav";
        score = rules::addSaturated(score, rules::kPointsPerShot);
    } else {
        cueFile = u"ブー.wav";
        score = rules::addSaturated(score, -rules::kPointsPerShot);
    }
    PlayCue();
    WaitCueEnd();
    lblScore.setCaption(texts::scoreLine(score));
    cmdReset.setCaption(texts::buttonText(score));
    platform::Clipboard::Clear();
    platform::Clipboard::SetText(lblScore.Caption(), 1);
}
