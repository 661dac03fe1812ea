#include "FakeBackend.h"

#include "platform/shared/Backend.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

struct platform::audio::Sound {
    platform::audio::Clock::duration length;
};

namespace {

using platform::audio::Clock;

struct Driver {
    fakebackend::Settings settings;
    int opens = 0, closes = 0, loaded = 0;
    const platform::audio::Sound *playing = nullptr;
    Clock::time_point endsAt = Clock::time_point::max();
} driver;

} // namespace

namespace fakebackend {

void reset(Settings settings) { driver = Driver{settings}; }

int opens() { return driver.opens; }
int closes() { return driver.closes; }
int loadedSounds() { return driver.loaded; }

void endSound()
{
    driver.endsAt = Clock::time_point::max();
    if (std::exchange(driver.playing, nullptr))
        platform::Backend::soundEnded();
}

void endSoundAfter(std::chrono::milliseconds delay) { driver.endsAt = Clock::now() + delay; }

} // namespace fakebackend

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
        fakebackend::endSound();
    return true;
}

void Backend::stopSound()
{
    const audio::Sound *cutOff = std::exchange(driver.playing, nullptr);
    if (cutOff && driver.settings.reportsCutOffs)
        soundEnded();
}

bool Backend::isSoundPlaying(const audio::Sound *sound) { return driver.playing == sound; }

// The ending the test asked for comes while the books sleep.
void Backend::sleepForSound(std::condition_variable &, std::unique_lock<std::mutex> &books,
                            audio::Clock::time_point deadline)
{
    books.unlock();
    std::this_thread::sleep_until(std::min(deadline, driver.endsAt));
    if (Clock::now() >= driver.endsAt)
        fakebackend::endSound();
    books.lock();
}

media::FileContents Backend::readFile(const std::u16string &fileName, std::uint64_t maxBytes)
{
    const std::filesystem::path path(fileName);
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return {media::FileCheck::Missing, {}};
    const auto size = std::filesystem::file_size(path, error);
    if (!std::filesystem::is_regular_file(path, error) || error || size == 0 || size > maxBytes)
        return {media::FileCheck::NotAFile, {}};
    std::ifstream file(path, std::ios::binary);
    return {media::FileCheck::Read,
            media::Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>())};
}

} // namespace platform
