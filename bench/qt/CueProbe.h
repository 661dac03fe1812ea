#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
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
    // The next cue to begin answers the event of that kind that happened at eventNs.
    void arm(const std::string &kind, std::int64_t eventNs);
    // By kind: milliseconds from each answered event to its cue's onset.
    std::map<std::string, std::vector<double>> take();

private:
    static void postMix(void *self, unsigned char *stream, int bytes);

    std::vector<std::vector<unsigned char>> starts_;
    std::mutex mutex_; // the event armed, and the answers
    bool armed_ = false;
    std::string kind_;
    std::int64_t eventNs_ = 0;
    std::map<std::string, std::vector<double>> latencies_;
};
