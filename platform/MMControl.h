#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

namespace audio {
struct Sound;
}

// Plays one sound file at a time on the run's single audio device, driven by
// text commands in the manner of a media-control panel: set FileName, then
// "Open" and "Play"; "Stop" and "Close" end it. Nothing here ever raises or
// reports an error: a file that is missing or cannot be played, or a machine
// without any audio device, is simply silent, and Mode() then never reads
// kModePlay.
class MMControl {
public:
    static constexpr int kModeNotOpen = 524;
    static constexpr int kModeStopped = 525;
    static constexpr int kModePlay = 526;

    // How long past its own length a cue may still read kModePlay. A device that stopped
    // mixing (removed, paused, stuck) never reports the end of the cue, and the game would
    // otherwise hold its window for good.
    static constexpr std::chrono::milliseconds kEndMargin{250};

    MMControl();
    ~MMControl();
    MMControl(const MMControl &) = delete;
    MMControl &operator=(const MMControl &) = delete;

    const std::u16string &FileName() const { return fileName_; }
    void setFileName(std::u16string fileName) { fileName_ = std::move(fileName); }

    // "Open", "Play", "Stop" or "Close", in any case; anything else is ignored.
    void setCommand(std::u16string_view command);

    // kModePlay while the opened file is sounding, kModeStopped when a file is
    // open but silent, kModeNotOpen when nothing is open. A cue plays for at least
    // its own length from Play, whatever the device reports, unless it is stopped or
    // another cue starts; and at most a margin longer.
    int Mode() const;

    // Sleeps until the device reports that playback ended, or until timeout,
    // whichever comes first. Lets a caller wait for the end of a sound without
    // keeping a processor busy and without handling any window event.
    void waitForModeChange(std::chrono::milliseconds timeout) const;

    // True when the run's audio device could be opened.
    static bool hasAudioDevice();

private:
    void open();
    void play();
    void stop();
    void close();

    std::u16string fileName_;
    audio::Sound *sound_ = nullptr;
    bool playing_ = false; // set by Play, cleared by Stop and Close; the device decides the rest
    std::uint64_t endingsBeforePlay_ = 0; // the device's count of ended sounds when ours started
    std::uint64_t startsWithOurs_ = 0;    // the device's count of started sounds with ours
    std::chrono::steady_clock::time_point wholeLengthAt_; // Play's time and the cue's length
    std::chrono::steady_clock::time_point playDeadline_;  // that and a margin
};

} // namespace platform
