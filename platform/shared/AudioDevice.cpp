#include "platform/shared/AudioDevice.h"

#include "platform/shared/Backend.h"

#include <condition_variable>
#include <mutex>

namespace platform::audio {

namespace {

struct Books {
    int users = 0;
    bool open = false; // outcome of the latest attempt to open the device

    // Never held while the driver is called: a driver may report an ending from inside
    // any of its calls, or from a thread of its own that holds a lock the call takes.
    std::mutex mutex;
    std::condition_variable ended;
    // Counts every sound that ended, so a waiter can tell that its cue is over even if the
    // ending came before it started waiting.
    std::uint64_t endings = 0;
    std::uint64_t starts = 0;
    const Sound *current = nullptr; // started on the device, its ending not yet counted
};

// Never destroyed: an MMControl that lives in a static of its own may go after this file's
// statics have.
Books &books()
{
    static auto *const shared = new Books;
    return *shared;
}

// With the mutex held.
void countEnding(Books &device)
{
    device.current = nullptr;
    ++device.endings;
    device.ended.notify_all();
}

// Cuts off whatever sounds and counts its ending, unless the driver reported it meanwhile,
// so that every ending counted afterwards belongs to a sound started afterwards.
void cutOff(Books &device)
{
    Backend::stopSound();
    std::lock_guard lock(device.mutex);
    if (device.current)
        countEnding(device);
}

} // namespace

void acquire()
{
    Books &device = books();
    if (device.users++ > 0)
        return;
    device.open = Backend::openAudio();
}

void release()
{
    Books &device = books();
    if (--device.users > 0 || !device.open)
        return;
    cutOff(device);
    Backend::closeAudio();
    device.open = false;
}

bool isOpen() { return books().open; }

double bytesPerSecond() { return isOpen() ? Backend::audioBytesPerSecond() : 0; }

Sound *load(const media::WavFormat &format, const media::Bytes &wav)
{
    return isOpen() ? Backend::loadSound(format, wav) : nullptr;
}

void unload(Sound *sound)
{
    halt(sound);
    Backend::unloadSound(sound);
}

Clock::duration length(const Sound *sound) { return Backend::soundLength(sound); }

std::optional<std::uint64_t> play(Sound *sound)
{
    Books &device = books();
    cutOff(device);
    std::uint64_t before;
    {
        // Current before it starts: a short cue may end before the driver returns.
        std::lock_guard lock(device.mutex);
        before = device.endings;
        ++device.starts;
        device.current = sound;
    }
    if (Backend::startSound(sound))
        return before;
    std::lock_guard lock(device.mutex);
    device.current = nullptr;
    return std::nullopt;
}

void halt(Sound *sound)
{
    Books &device = books();
    {
        std::lock_guard lock(device.mutex);
        if (device.current != sound)
            return; // another's sound is not ours to stop
    }
    cutOff(device);
}

bool isSounding(const Sound *sound)
{
    {
        std::lock_guard lock(books().mutex);
        if (books().current != sound)
            return false;
    }
    return Backend::isSoundPlaying(sound);
}

std::uint64_t endings()
{
    Books &device = books();
    std::lock_guard lock(device.mutex);
    return device.endings;
}

std::uint64_t starts()
{
    Books &device = books();
    std::lock_guard lock(device.mutex);
    return device.starts;
}

void waitForEnding(std::uint64_t endingsBefore, Clock::time_point deadline)
{
    Books &device = books();
    std::unique_lock lock(device.mutex);
    while (device.endings == endingsBefore && now() < deadline)
        Backend::sleepForSound(device.ended, lock, deadline);
}

void sleepUntil(Clock::time_point time)
{
    Books &device = books();
    std::unique_lock lock(device.mutex);
    while (now() < time)
        Backend::sleepForSound(device.ended, lock, time);
}

Clock::time_point now() { return Clock::now(); }

} // namespace platform::audio

namespace platform {

void Backend::soundEnded()
{
    audio::Books &device = audio::books();
    std::lock_guard lock(device.mutex);
    if (device.current)
        audio::countEnding(device);
}

} // namespace platform
