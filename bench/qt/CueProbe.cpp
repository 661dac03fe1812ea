#include "CueProbe.h"

#include "../Measure.h"

#include <QFile>

#include <SDL_mixer.h>

#include <cstring>

namespace {
// Long enough to pass every cue's few silent frames and reach its sound.
constexpr int kStartBytes = 64 * 4;
} // namespace

CueProbe::CueProbe() { Mix_SetPostMix(&CueProbe::postMix, this); }

CueProbe::~CueProbe() { Mix_SetPostMix(nullptr, nullptr); }

void CueProbe::learn(const QString &fileName)
{
    Mix_Chunk *chunk = Mix_LoadWAV(QFile::encodeName(fileName).constData());
    if (!chunk)
        return;
    if (chunk->alen >= Uint32(kStartBytes))
        starts_.emplace_back(chunk->abuf, chunk->abuf + kStartBytes);
    Mix_FreeChunk(chunk);
}

void CueProbe::arm(const std::string &kind, std::int64_t eventNs)
{
    std::lock_guard lock(mutex_);
    kind_ = kind;
    eventNs_ = eventNs;
    armed_ = true;
}

std::map<std::string, std::vector<double>> CueProbe::take()
{
    std::lock_guard lock(mutex_);
    return std::exchange(latencies_, {});
}

// On SDL's audio thread, once per buffer, after all mixing.
void CueProbe::postMix(void *self, unsigned char *stream, int bytes)
{
    const std::int64_t now = bench::wallNs();
    auto &probe = *static_cast<CueProbe *>(self);
    std::lock_guard lock(probe.mutex_);
    if (!probe.armed_ || bytes < kStartBytes)
        return;
    for (const auto &start : probe.starts_) {
        if (std::memcmp(stream, start.data(), kStartBytes) == 0) {
            probe.armed_ = false;
            probe.latencies_[probe.kind_].push_back(bench::ms(now - probe.eventNs_));
            return;
        }
    }
}
