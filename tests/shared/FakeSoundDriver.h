#pragma once

// A sound driver for the tests of the audio device's books and of the media
// control: it plays nothing, gives each sound the length its file claims, and
// reports endings when the test says, from inside its own calls as SDL's mixer
// does or not at all as waveOut does for a cut-off, or from another thread (in
// the browser's build, which has none, while the books sleep, as the page does).
// A sound the test never ends is on a device that stopped mixing.

#include "platform/AudioDevice.h"

#include <chrono>

namespace fakedriver {

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
// The sound on the device plays to its end; from any thread.
void endSound();
// The sound on the device plays to its end after the delay, while the test waits for it.
void endSoundAfter(std::chrono::milliseconds delay);

} // namespace fakedriver
