#pragma once

// What the shared pieces' tests put in a backend's place: a backend that shows nothing and
// keeps what it is told (the labels made, the boxes shown, the clipboard, the settings), so
// that the game's own window runs on it in every build's suite. Its sound driver plays
// nothing, gives each sound the length its file claims, and reports endings when the test
// says, from inside its own calls as SDL's mixer does or not at all as waveOut does for a
// cut-off, or while the books sleep, as the page does; its files are the test's folder. A
// sound the test never ends is on a device that stopped mixing.

#include "platform/Controls.h"
#include "platform/shared/AudioDevice.h"

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <vector>

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

// What the window and its services were told.
struct Box {
    std::u16string text, title;
    int style;
};
struct Screen {
    std::vector<const platform::Label *> labels; // in the order made
    std::vector<Box> boxes;
    std::deque<int> answers; // the buttons the next boxes are closed with; OK without
    std::u16string clipboard;
    std::map<std::u16string, std::u16string> settings; // by "app/section/key"
    bool settingsWritable = true;
};
Screen &screen();

} // namespace fakebackend
