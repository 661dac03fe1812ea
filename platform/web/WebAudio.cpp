#include "platform/AudioDevice.h"
#include "platform/web/AudioBookkeeping.h"
#include "platform/web/WebBackend.h"

#include <emscripten/emscripten.h>

#include <memory>
#include <vector>

// The run's audio device on Web Audio (page/audio.js): one AudioContext for the run, each
// cue an AudioBuffer at the context's own rate, converted here by the shared converter, one
// voice at a time.
struct platform::audio::Sound {
    int buffer; // the page's AudioBuffer
    Clock::duration length;
};

extern "C" {
// The context's frames per second, or 0 when the browser gives no sound.
int ropi_audio_open();
void ropi_audio_close();
int ropi_audio_load(const std::int16_t *stereo, int frames);
void ropi_audio_unload(int buffer);
// Starts the buffer as a new voice, cutting off the one before; its number, or 0.
int ropi_audio_play(int buffer);
void ropi_audio_stop();
}

namespace platform::audio {

namespace {

struct Device {
    Bookkeeping<Sound> book;
    int rate = 0;
};

// Never destroyed: an MMControl that lives in a static of its own may go after this file's
// statics have.
Device &device()
{
    static auto *const shared = new Device;
    return *shared;
}

void cutOff()
{
    if (device().book.cutOff())
        ropi_audio_stop();
}

} // namespace

void acquire()
{
    Device &audio = device();
    if (!audio.book.firstUser())
        return;
    audio.rate = ropi_audio_open();
    audio.book.setOpen(audio.rate > 0);
}

void release()
{
    Device &audio = device();
    if (!audio.book.lastUser() || !audio.book.isOpen())
        return;
    cutOff();
    ropi_audio_close();
    audio.book.setOpen(false);
}

bool isOpen() { return device().book.isOpen(); }

double bytesPerSecond() { return isOpen() ? double(device().rate) * 4 : 0; }

Sound *load(const media::WavFormat &format, const media::Bytes &wav)
{
    Device &audio = device();
    if (!audio.book.isOpen())
        return nullptr;
    const std::vector<std::int16_t> samples = media::toStereo16(format, wav, audio.rate);
    const int frames = int(samples.size() / 2);
    if (frames == 0) // less than a frame: nothing the context could play
        return nullptr;
    const int buffer = ropi_audio_load(samples.data(), frames);
    if (buffer == 0)
        return nullptr;
    const std::chrono::duration<double> seconds(double(frames) / audio.rate);
    return new Sound{buffer, std::chrono::duration_cast<Clock::duration>(seconds)};
}

void unload(Sound *sound)
{
    if (device().book.current() == sound)
        cutOff();
    ropi_audio_unload(sound->buffer);
    delete sound;
}

Clock::duration length(const Sound *sound) { return sound->length; }

std::optional<std::uint64_t> play(Sound *sound)
{
    Device &audio = device();
    if (!audio.book.isOpen())
        return std::nullopt;
    cutOff();
    const std::uint64_t before = audio.book.endings();
    const int voice = ropi_audio_play(sound->buffer);
    if (voice == 0)
        return std::nullopt;
    audio.book.started(sound, voice);
    return before;
}

void halt(Sound *sound)
{
    if (device().book.current() == sound)
        cutOff();
}

bool isSounding(const Sound *sound) { return device().book.current() == sound; }

std::uint64_t endings() { return device().book.endings(); }

void waitForEnding(std::uint64_t endingsBefore, Clock::time_point deadline)
{
    // The hold of a shot: sleeps, the page running on, until the page reports the cue heard
    // or the deadline passes. Events are not taken meanwhile: keys wait in order.
    while (endings() == endingsBefore) {
        const auto left = std::chrono::duration<double, std::milli>(deadline - now()).count();
        if (left <= 0)
            return;
        ropi_sleep(left, 0);
    }
}

Clock::time_point now() { return Clock::now(); }

} // namespace platform::audio

// The page reports that a voice has been heard to its end: its last sample past the
// context's output latency. Called from the page's own timer, never inside the game.
extern "C" EMSCRIPTEN_KEEPALIVE void ropi_audio_ended(int voice)
{
    platform::audio::device().book.voiceEnded(voice);
}
