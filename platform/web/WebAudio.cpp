#include "platform/web/WebBackend.h"

#include <emscripten/emscripten.h>

#include <memory>
#include <vector>

// The sound driver on Web Audio (page/audio.js): one AudioContext for the run, each cue an
// AudioBuffer at the context's own rate, converted here by the shared converter, one voice at
// a time.
struct platform::audio::Sound {
    int buffer; // the page's AudioBuffer
    Clock::duration length;
};

namespace platform {

namespace {

struct Driver {
    int rate = 0;
    // The voice sounding, until the page reports it heard to its end or it is cut off; 0 for
    // none. The page may still report a voice that was cut off: that report is not this one's.
    int voice = 0;
};

Driver &driver()
{
    static Driver shared;
    return shared;
}

} // namespace

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
    const int rate = driver().rate;
    const std::vector<std::int16_t> samples = media::toStereo16(format, wav, rate);
    const int frames = int(samples.size() / 2);
    if (frames == 0) // less than a frame: nothing the context could play
        return nullptr;
    const int buffer = ropi_audio_load(samples.data(), frames);
    if (buffer == 0)
        return nullptr;
    const std::chrono::duration<double> seconds(double(frames) / rate);
    return new audio::Sound{buffer, std::chrono::duration_cast<audio::Clock::duration>(seconds)};
}

void Backend::unloadSound(audio::Sound *sound)
{
    ropi_audio_unload(sound->buffer);
    delete sound;
}

audio::Clock::duration Backend::soundLength(const audio::Sound *sound) { return sound->length; }

bool Backend::startSound(audio::Sound *sound)
{
    driver().voice = ropi_audio_play(sound->buffer);
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
