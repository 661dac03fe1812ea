#include "platform/Services.h"
#include "window/Form1.h"

#include <cmath>

// The beat of a round: the cat jumps to a random slot, shown or hidden as the
// menu says, sounds the cue of that slot, and the timer takes the period
// chosen now for the jump after this one.
void Form1::Timer1_Timer()
{
    catPos = static_cast<std::int16_t>(std::floor(platform::Rnd() * rules::kSlots));
    rules::noteJump(*this, platform::EventTime());
    Image1.setLeft(Width() / rules::kSlots * catPos);
    Image1.setVisible(Imgput.Checked());
    const std::u16string slot = platform::CStr(catPos);
    cueFile = u"Cat" + slot.substr(slot.size() - 1) + u".wav";
    PlayCue();
    Timer1.setInterval(catInterval);
}
