#include "game/GameTexts.h"
#include "window/Form1.h"

// One second of the round. At 0 the round ends: the cat stops and disappears
// and the button, showing the final score, becomes usable. Started again
// without a reset (Overtime) the count goes on below 0 and never ends a round.
void Form1::Timer2_Timer()
{
    timeLeft = rules::addSaturated(timeLeft, -1);
    lblTime.setCaption(texts::timeLine(timeLeft));
    if (timeLeft == 0) {
        Timer1.setEnabled(false);
        Timer2.setEnabled(false);
        Image1.setVisible(false);
        cmdReset.setCaption(texts::buttonText(score));
        cmdReset.setEnabled(true);
        mnuDelay.setEnabled(true);
    }
}

// The button: the clock and the score go back for the next round. It starts
// no round; a running Overtime round keeps its timers and now ends at 0.
void Form1::cmdReset_Click()
{
    Show();
    cmdReset.setEnabled(false);
    timeLeft = rules::kRoundLength;
    lblScore.setCaption(u"");
    score = 0;
    lblTime.setCaption(texts::fullTimeLine());
    cmdReset.setCaption(texts::buttonText(score));
}
