#pragma once

// What the shared pieces' tests put in a backend's place: a sound driver that plays
// nothing, gives each sound the length its file claims, and reports endings when the
// test says, from inside its own calls as SDL's mixer does or not at all as waveOut
// does for a cut-off, or while the books sleep, as the page does; and the files of the
// test's folder. A sound the test never ends is on a device that stopped mixing.

#include "platform/shared/AudioDevice.h"

#include <chrono>

namespace fakebackend {

struct Settings {
    bool opens = true;
    bool reportsCutOffs = false; // from inside stopSound()
    bool endsAtOnce = false;     // every sound is over before startSound() returns
};

// A fresh driver, closed, nothing playing.
void reset(Settings settings = {});
int opens();
int closes();
// Sounds loaded and not yet unloaded.
int loadedSounds();
// The sound on the device plays to its end.
void endSound();
// The sound on the device plays to its end after the delay, while the test waits for it.
void endSoundAfter(std::chrono::milliseconds delay);

} // namespace fakebackend
