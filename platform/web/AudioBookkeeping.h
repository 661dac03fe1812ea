#pragma once

// What the run's audio device keeps track of, whatever plays its sounds: how
// many use it and whether it opened, which sound is on it, and how many sounds
// have ended, so that a waiter can tell that its cue is over even when the end
// came before it began to wait. An output plays one voice at a time and reports
// the end of each by its number; an end reported for a voice that is no longer
// current was already counted when it was cut off.

#include <cstdint>

namespace platform::audio {

template <typename Sound> class Bookkeeping {
public:
    // True for the first user, who opens the output.
    bool firstUser() { return users_++ == 0; }
    // True for the last user, who closes the output.
    bool lastUser() { return --users_ == 0; }
    void setOpen(bool open) { open_ = open; }
    bool isOpen() const { return open_; }

    std::uint64_t endings() const { return endings_; }
    const Sound *current() const { return current_; }

    // The sound now sounds as the output's voice.
    void started(const Sound *sound, int voice)
    {
        current_ = sound;
        voice_ = voice;
    }
    // The current sound is cut off: counted as ended now. True when there was one, which the
    // output must then stop.
    bool cutOff()
    {
        if (!current_)
            return false;
        current_ = nullptr;
        ++endings_;
        return true;
    }
    // The output reports that a voice has been heard to its end.
    void voiceEnded(int voice)
    {
        if (current_ && voice == voice_)
            cutOff();
    }

private:
    int users_ = 0;
    bool open_ = false;
    std::uint64_t endings_ = 0;
    const Sound *current_ = nullptr;
    int voice_ = 0;
};

} // namespace platform::audio
