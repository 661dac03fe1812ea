#pragma once

#include <QString>

#include <chrono>

struct Mix_Chunk;

namespace platform {

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

    // Cue files beyond this size are refused as unplayable, so that a stray
    // huge file cannot stall the game or eat its memory.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    // A small file can claim a very low sample rate and swell when converted to the device's
    // format (16 MiB of 8 kHz mono 8-bit would become 384 MiB): cues whose sound would take
    // more than this once converted are refused too.
    static constexpr qint64 kMaxDecodedBytes = 2 * kMaxFileBytes;

    // How long past its own length a cue may still read kModePlay. A device that stopped
    // mixing (removed, paused, stuck) never reports the end of the cue, and the game would
    // otherwise hold its window for good.
    static constexpr std::chrono::milliseconds kEndMargin{250};

    MMControl();
    ~MMControl();
    MMControl(const MMControl &) = delete;
    MMControl &operator=(const MMControl &) = delete;

    QString FileName() const { return fileName_; }
    void setFileName(const QString &fileName) { fileName_ = fileName; }

    // "Open", "Play", "Stop" or "Close", case-insensitive; anything else is ignored.
    void setCommand(const QString &command);

    // kModePlay while the opened file is sounding, kModeStopped when a file is
    // open but silent, kModeNotOpen when nothing is open.
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

    QString fileName_;
    Mix_Chunk *chunk_ = nullptr;
    bool playing_ = false; // set by Play, cleared by Stop/Close; the device decides the rest
    quint64 endingsBeforePlay_ = 0; // the device's count of ended sounds when Play started ours
    std::chrono::steady_clock::time_point playDeadline_; // Play's time, the cue's length, a margin
};

} // namespace platform
