#include "platform/web/WebBackend.h"

#include <emscripten/emscripten.h>

#include <list>
#include <memory>
#include <vector>

// The sound driver on Web Audio (page/audio.js): one AudioContext for the run, each cue an
// AudioBuffer at the context's own rate, converted here by the shared converter, one voice at
// a time.
//
// The game reads a cue's file at each play, as on the desktop, so that a file changed is heard
// changed. The conversion is kept for the file's bytes: bytes heard before are played from the
// buffer made of them, and only new bytes are converted again.
namespace platform {

namespace {

struct Conversion {
    media::Bytes wav;
    int buffer = 0; // the page's AudioBuffer
    audio::Clock::duration length{};
    Conversion() = default;
    Conversion(const Conversion &) = delete;
    Conversion &operator=(const Conversion &) = delete;
    ~Conversion() { ropi_audio_unload(buffer); }
};

// The game's cues, and a changed one beside its old bytes until they are played no more.
constexpr std::size_t kConversionsKept = 8;

struct Driver {
    int rate = 0;
    // The voice sounding, until the page reports it heard to its end or it is cut off; 0 for
    // none. The page may still report a voice that was cut off: that report is not this one's.
    int voice = 0;
    std::list<std::shared_ptr<const Conversion>> conversions; // the last used first
};

Driver &driver()
{
    static Driver shared;
    return shared;
}

std::shared_ptr<const Conversion> convert(const media::WavFormat &format, const media::Bytes &wav)
{
    auto &kept = driver().conversions;
    for (auto at = kept.begin(); at != kept.end(); ++at)
        if ((*at)->wav == wav) {
            kept.splice(kept.begin(), kept, at);
            return kept.front();
        }
    const int rate = driver().rate;
    const std::vector<std::int16_t> samples = media::toStereo16(format, wav, rate);
    const int frames = int(samples.size() / 2);
    if (frames == 0) // less than a frame: nothing the context could play
        return nullptr;
    auto conversion = std::make_shared<Conversion>();
    conversion->buffer = ropi_audio_load(samples.data(), frames);
    if (conversion->buffer == 0)
        return nullptr;
    conversion->wav = wav;
    const std::chrono::duration<double> seconds(double(frames) / rate);
    conversion->length = std::chrono::duration_cast<audio::Clock::duration>(seconds);
    kept.push_front(conversion);
    // The one used longest ago goes, unless a sound still holds it.
    if (kept.size() > kConversionsKept)
        for (auto at = std::prev(kept.end()); at != kept.begin(); --at)
            if (at->use_count() == 1) {
                kept.erase(at);
                break;
            }
    return conversion;
}

} // namespace

} // namespace platform

struct platform::audio::Sound {
    std::shared_ptr<const platform::Conversion> conversion;
};

namespace platform {

bool Backend::openAudio()
{
    driver().rate = ropi_audio_open();
    return driver().rate > 0;
}

void Backend::closeAudio()
{
    ropi_audio_close();
    driver() = {};
}

double Backend::audioBytesPerSecond() { return double(driver().rate) * 4; }

audio::Sound *Backend::loadSound(const media::WavFormat &format, const media::Bytes &wav)
{
    auto conversion = convert(format, wav);
    return conversion ? new audio::Sound{std::move(conversion)} : nullptr;
}

void Backend::unloadSound(audio::Sound *sound) { delete sound; }

audio::Clock::duration Backend::soundLength(const audio::Sound *sound)
{
    return sound->conversion->length;
}

bool Backend::startSound(audio::Sound *sound)
{
    driver().voice = ropi_audio_play(sound->conversion->buffer);
    return driver().voice != 0;
}

void Backend::stopSound()
{
    if (driver().voice == 0)
        return;
    driver().voice = 0;
    ropi_audio_stop();
}

bool Backend::isSoundPlaying(const audio::Sound *) { return driver().voice != 0; }

void Backend::sleepForSound(std::condition_variable &, std::unique_lock<std::mutex> &books,
                            audio::Clock::time_point deadline)
{
    // The hold of a shot: the page runs on, and wakes the game when it reports the cue heard
    // (through soundEnded, which takes the books' lock). Events are not taken meanwhile: keys
    // wait in order.
    const std::chrono::duration<double, std::milli> left = deadline - audio::now();
    books.unlock();
    if (left.count() > 0)
        ropi_sleep(left.count(), 0);
    books.lock();
}

} // namespace platform

// The page reports that a voice has been heard to its end: its last sample past the
// context's output latency. Called from the page's own timer, while the game sleeps.
EMSCRIPTEN_KEEPALIVE void ropi_audio_ended(int voice)
{
    if (voice == 0 || voice != platform::driver().voice)
        return;
    platform::driver().voice = 0;
    platform::Backend::soundEnded();
}
