#pragma once

// An audio device for the media control's tests, with a clock of its own: a
// sound ends when the clock passes its length, unless the device is stuck and
// never reports an end, as one that stopped mixing does.

#include "platform/AudioDevice.h"

namespace fakeaudio {

using platform::audio::Clock;

// A fresh device: open or not, not stuck, nothing playing.
void reset(bool open = true);
void setStuck(bool stuck);
void advance(Clock::duration time);
// Sounds loaded and not yet unloaded.
int loadedSounds();

} // namespace fakeaudio
