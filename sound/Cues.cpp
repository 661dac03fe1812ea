#include "window/Form1.h"

#include <chrono>

// Every cue is opened afresh: whatever still sounds is cut off first, so only
// one cue is ever heard.
void Form1::PlayCue()
{
    MMControl1.setCommand(u"Stop");
    MMControl1.setCommand(u"Close");
    MMControl1.setFileName(cueFile);
    MMControl1.setCommand(u"Open");
    MMControl1.setCommand(u"Play");
}

// Holds the whole window until the cue has ended: no event runs meanwhile, key
// presses queue up in order and a timer that fell due ticks once afterwards.
// The device wakes the wait when the cue ends (or when the cue's own length, and a
// margin, have passed), so the window sleeps through it instead of looking again
// and again.
void Form1::WaitCueEnd()
{
    using namespace std::chrono_literals;
    while (MMControl1.Mode() == platform::MMControl::kModePlay)
        MMControl1.waitForModeChange(24h);
}
