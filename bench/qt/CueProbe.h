#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// Watches every buffer as it leaves SDL_mixer and times the moment the first
// sample of a cue goes out. A cue started by Mix_PlayChannel is mixed from the
// start of the next buffer, so the buffer whose first frames are the first
// frames of a known cue carries that cue's first sample at offset 0: its
// hand-over time is the cue's onset, exact to the sample.
class CueProbe {
public:
    // Needs the game's audio device already open.
    CueProbe();
    ~CueProbe();

    // Remembers how a cue begins, decoded exactly as the game decodes it.
    void learn(const QString &fileName);
    // The next cue to begin answers the event that happened at eventNs.
    void arm(std::int64_t eventNs);
    // Milliseconds from event to onset, for every answered event since the last call.
    std::vector<double> take();

private:
    static void postMix(void *self, unsigned char *stream, int bytes);

    std::vector<std::vector<unsigned char>> starts_;
    std::atomic<bool> armed_{false};
    std::atomic<std::int64_t> eventNs_{0};
    std::mutex mutex_;
    std::vector<double> latencies_;
};
