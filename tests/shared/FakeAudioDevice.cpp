#include "FakeAudioDevice.h"

#include <algorithm>

struct platform::audio::Sound {
    Clock::duration length;
};

namespace {

using platform::audio::Clock;

struct Device {
    bool open = true;
    bool stuck = false;
    Clock::time_point clock{};
    const platform::audio::Sound *sounding = nullptr;
    Clock::time_point soundingUntil{};
    std::uint64_t endings = 0;
    int loaded = 0;
} device;

// A sound whose time is up has ended, unless the device never says so.
void settle()
{
    if (device.sounding && !device.stuck && device.clock >= device.soundingUntil) {
        device.sounding = nullptr;
        ++device.endings;
    }
}

void cutOff()
{
    if (device.sounding) {
        device.sounding = nullptr;
        ++device.endings;
    }
}

} // namespace

namespace fakeaudio {

void reset(bool open) { device = Device{open}; }
void setStuck(bool stuck) { device.stuck = stuck; }
void advance(Clock::duration time) { device.clock += time; }
int loadedSounds() { return device.loaded; }

} // namespace fakeaudio

namespace platform::audio {

void acquire() {}
void release() {}
bool isOpen() { return device.open; }
double bytesPerSecond() { return device.open ? 48000 * 4 : 0; }

Sound *load(const media::WavFormat &format, const media::Bytes &)
{
    ++device.loaded;
    return new Sound{std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(format.seconds()))};
}

void unload(Sound *sound)
{
    --device.loaded;
    delete sound;
}

Clock::duration length(const Sound *sound) { return sound->length; }

std::optional<std::uint64_t> play(Sound *sound)
{
    settle();
    cutOff();
    device.sounding = sound;
    device.soundingUntil = device.clock + sound->length;
    return device.endings;
}

void halt(Sound *sound)
{
    settle();
    if (device.sounding == sound)
        cutOff();
}

bool isSounding(const Sound *sound)
{
    settle();
    return device.sounding == sound;
}

std::uint64_t endings()
{
    settle();
    return device.endings;
}

void waitForEnding(std::uint64_t endingsBefore, Clock::time_point deadline)
{
    settle();
    if (device.endings != endingsBefore)
        return;
    const bool endsInTime = device.sounding && !device.stuck && device.soundingUntil < deadline;
    device.clock = std::max(device.clock, endsInTime ? device.soundingUntil : deadline);
    settle();
}

Clock::time_point now() { return device.clock; }

} // namespace platform::audio
