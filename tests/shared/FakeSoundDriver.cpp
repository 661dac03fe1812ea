#include "FakeSoundDriver.h"

#include "platform/Backend.h"

#include <algorithm>
#include <atomic>
#include <thread>

struct platform::audio::Sound {};

namespace {

struct Driver {
    fakedriver::Settings settings;
    int opens = 0, closes = 0;
    std::atomic<const platform::audio::Sound *> playing = nullptr;
#ifdef __EMSCRIPTEN__
    platform::audio::Clock::time_point endsAt = platform::audio::Clock::time_point::max();
#else
    std::thread mixer; // ends the sound after a delay

    void joinMixer()
    {
        if (mixer.joinable())
            mixer.join();
    }
    ~Driver() { joinMixer(); }
#endif
};

Driver driver;

} // namespace

namespace fakedriver {

void reset(Settings settings)
{
#ifdef __EMSCRIPTEN__
    driver.endsAt = platform::audio::Clock::time_point::max();
#else
    driver.joinMixer();
#endif
    driver.settings = settings;
    driver.opens = driver.closes = 0;
    driver.playing = nullptr;
}

int opens() { return driver.opens; }
int closes() { return driver.closes; }

void endSound()
{
    if (driver.playing.exchange(nullptr))
        platform::Backend::soundEnded();
}

void endSoundAfter(std::chrono::milliseconds delay)
{
#ifdef __EMSCRIPTEN__
    driver.endsAt = platform::audio::now() + delay;
#else
    driver.joinMixer();
    driver.mixer = std::thread([delay] {
        std::this_thread::sleep_for(delay);
        endSound();
    });
#endif
}

} // namespace fakedriver

namespace platform {

bool Backend::openAudio()
{
    ++driver.opens;
    return driver.settings.opens;
}

void Backend::closeAudio() { ++driver.closes; }

double Backend::audioBytesPerSecond() { return 48000 * 4; }

audio::Sound *Backend::loadSound(const media::WavFormat &, const media::Bytes &)
{
    return new audio::Sound;
}

void Backend::unloadSound(audio::Sound *sound) { delete sound; }

audio::Clock::duration Backend::soundLength(const audio::Sound *)
{
    return std::chrono::milliseconds(100);
}

bool Backend::startSound(audio::Sound *sound)
{
    driver.playing = sound;
    if (driver.settings.endsAtOnce)
        fakedriver::endSound();
    return true;
}

void Backend::stopSound()
{
    const audio::Sound *cutOff = driver.playing.exchange(nullptr);
    if (cutOff && driver.settings.reportsCutOffs)
        soundEnded();
}

bool Backend::isSoundPlaying(const audio::Sound *sound) { return driver.playing == sound; }

#ifdef __EMSCRIPTEN__
void Backend::sleepForSound(audio::Clock::time_point deadline)
{
    std::this_thread::sleep_until(std::min(deadline, driver.endsAt));
    if (audio::now() >= driver.endsAt) {
        driver.endsAt = audio::Clock::time_point::max();
        fakedriver::endSound();
    }
}
#endif

} // namespace platform
