#include "FakeSoundDriver.h"

#include "platform/Backend.h"

#include <algorithm>
#include <atomic>
#include <thread>

struct platform::audio::Sound {
    platform::audio::Clock::duration length;
};

namespace {

struct Driver {
    fakedriver::Settings settings;
    int opens = 0, closes = 0, loaded = 0;
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
    driver.opens = driver.closes = driver.loaded = 0;
    driver.playing = nullptr;
}

int opens() { return driver.opens; }
int closes() { return driver.closes; }
int loadedSounds() { return driver.loaded; }

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

audio::Sound *Backend::loadSound(const media::WavFormat &format, const media::Bytes &)
{
    ++driver.loaded;
    return new audio::Sound{std::chrono::duration_cast<audio::Clock::duration>(
        std::chrono::duration<double>(format.seconds()))};
}

void Backend::unloadSound(audio::Sound *sound)
{
    --driver.loaded;
    delete sound;
}

audio::Clock::duration Backend::soundLength(const audio::Sound *sound) { return sound->length; }

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
