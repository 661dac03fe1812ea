#include "FakeSoundDriver.h"

#include "platform/Backend.h"

#include <atomic>

struct platform::audio::Sound {};

namespace {

struct Driver {
    fakedriver::Settings settings;
    int opens = 0, closes = 0;
    std::atomic<const platform::audio::Sound *> playing = nullptr;
};

Driver driver;

} // namespace

namespace fakedriver {

void reset(Settings settings)
{
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

} // namespace platform
