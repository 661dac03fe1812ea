#include "platform/AudioDevice.h"

#include <windows.h>

#include <mmsystem.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The run's audio device on winmm's waveOut: 48 kHz stereo 16-bit, each cue written whole as
// one buffer, and never more than one buffer on the device.
struct platform::audio::Sound {
    std::vector<std::int16_t> samples; // what the header points at: the cue, then silence
    WAVEHDR header{};
};

namespace platform::audio {

namespace {

constexpr DWORD kRate = 48000;
constexpr WORD kFrameBytes = 4;

// Wine's waveOut stops and flushes its stream as soon as it reckons the last buffer played, and
// the last milliseconds still on their way to the sound server are thrown away: a little
// silence after each cue keeps that seam off the cue itself, at the price of holding the window
// 50 ms longer after a shot; on Windows too a buffer is done before the device has sounded it.
// (The stream's restart may lose a cue's first milliseconds, which lie in its own fade-in.)
constexpr std::size_t kTailFrames = kRate / 20;

struct Device {
    int users = 0;
    HWAVEOUT out = nullptr; // null while closed, or when the latest attempt to open failed

    // waveOut sets the event when a buffer is done; the watcher thread then counts the ending.
    // A waveOut callback function may call almost nothing, not even our mutex, so it is not used.
    HANDLE done = nullptr;
    std::thread watcher;
    bool closing = false;

    // Counts every sound that ended, so a waiter can tell that its cue is over even if the
    // ending came before it started waiting.
    std::mutex mutex;
    std::condition_variable ended;
    std::uint64_t endings = 0;
    Sound *current = nullptr; // written to the device, its ending not yet counted
};

// Never destroyed: an MMControl that lives in a static of its own may go after this file's
// statics have.
Device &device()
{
    static auto *const shared = new Device;
    return *shared;
}

// waveOut marks a buffer done from a thread of its own.
bool isDone(const WAVEHDR &header)
{
    return (*static_cast<const volatile DWORD *>(&header.dwFlags) & WHDR_DONE) != 0;
}

// With the mutex held.
void countEnding(Device &audio)
{
    audio.current = nullptr;
    ++audio.endings;
    audio.ended.notify_all();
}

void watch(Device &audio)
{
    for (;;) {
        WaitForSingleObject(audio.done, INFINITE);
        std::lock_guard lock(audio.mutex);
        if (audio.closing)
            return;
        // The event also fires on open and close, and for a buffer that play() already
        // counted when it cut it off: only a done buffer that is still current has ended now.
        if (audio.current && isDone(audio.current->header))
            countEnding(audio);
    }
}

// Cuts off the current sound and counts its ending here rather than on the watcher, so that
// every ending counted afterwards belongs to a sound started afterwards. With the mutex held:
// waveOut only sets the event meanwhile, and the watcher waits for us.
void cutOff(Device &audio)
{
    if (!audio.current)
        return;
    waveOutReset(audio.out);
    countEnding(audio);
}

} // namespace

void acquire()
{
    Device &audio = device();
    if (audio.users++ > 0)
        return;
    audio.done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!audio.done)
        return;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.nAvgBytesPerSec = kRate * kFrameBytes;
    format.nBlockAlign = kFrameBytes;
    format.wBitsPerSample = 16;
    // Without a sound card or server (Wine with no PulseAudio) this fails, and the game is silent.
    if (waveOutOpen(&audio.out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(audio.done), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        audio.out = nullptr;
        CloseHandle(audio.done);
        audio.done = nullptr;
        return;
    }
    audio.closing = false;
    audio.watcher = std::thread(watch, std::ref(audio));
}

void release()
{
    Device &audio = device();
    if (--audio.users > 0 || !audio.out)
        return;
    {
        std::lock_guard lock(audio.mutex);
        cutOff(audio);
        audio.closing = true;
    }
    waveOutClose(audio.out);
    audio.out = nullptr;
    SetEvent(audio.done);
    audio.watcher.join();
    CloseHandle(audio.done);
    audio.done = nullptr;
}

bool isOpen() { return device().out != nullptr; }

double bytesPerSecond() { return isOpen() ? double(kRate) * kFrameBytes : 0; }

Sound *load(const media::WavFormat &format, const media::Bytes &wav)
{
    Device &audio = device();
    if (!audio.out)
        return nullptr;
    auto sound = std::make_unique<Sound>();
    sound->samples = media::toStereo16(format, wav, kRate);
    if (sound->samples.empty()) // less than a frame: nothing the device could play
        return nullptr;
    sound->samples.resize(sound->samples.size() + 2 * kTailFrames);
    sound->header.lpData = reinterpret_cast<LPSTR>(sound->samples.data());
    sound->header.dwBufferLength = DWORD(sound->samples.size() * sizeof(std::int16_t));
    if (waveOutPrepareHeader(audio.out, &sound->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return nullptr;
    return sound.release();
}

void unload(Sound *sound)
{
    Device &audio = device();
    if (audio.out) {
        std::lock_guard lock(audio.mutex);
        if (audio.current == sound)
            cutOff(audio);
        // After a reset the device has let go of the buffer; should a driver still hold it,
        // leaking the samples is better than having it play freed memory.
        if (waveOutUnprepareHeader(audio.out, &sound->header, sizeof(WAVEHDR)) ==
            WAVERR_STILLPLAYING) {
            waveOutReset(audio.out);
            if (waveOutUnprepareHeader(audio.out, &sound->header, sizeof(WAVEHDR)) ==
                WAVERR_STILLPLAYING)
                return;
        }
    }
    delete sound;
}

Clock::duration length(const Sound *sound)
{
    const std::chrono::duration<std::int64_t, std::ratio<1, kRate>> frames(
        std::int64_t(sound->samples.size() / 2));
    return std::chrono::duration_cast<Clock::duration>(frames);
}

std::optional<std::uint64_t> play(Sound *sound)
{
    Device &audio = device();
    if (!audio.out)
        return std::nullopt;
    // Held until the sound is current: a short cue may be done before waveOutWrite returns, and
    // the watcher must not look for it before then.
    std::lock_guard lock(audio.mutex);
    cutOff(audio);
    const std::uint64_t before = audio.endings;
    if (waveOutWrite(audio.out, &sound->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return std::nullopt;
    audio.current = sound;
    return before;
}

void halt(Sound *sound)
{
    Device &audio = device();
    std::lock_guard lock(audio.mutex);
    if (audio.current == sound)
        cutOff(audio);
}

bool isSounding(const Sound *sound)
{
    Device &audio = device();
    std::lock_guard lock(audio.mutex);
    return audio.current == sound && !isDone(sound->header);
}

std::uint64_t endings()
{
    Device &audio = device();
    std::lock_guard lock(audio.mutex);
    return audio.endings;
}

void waitForEnding(std::uint64_t endingsBefore, Clock::time_point deadline)
{
    Device &audio = device();
    std::unique_lock lock(audio.mutex);
    audio.ended.wait_until(lock, deadline, [&] { return audio.endings != endingsBefore; });
}

Clock::time_point now() { return Clock::now(); }

} // namespace platform::audio
