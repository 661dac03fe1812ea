#include "platform/Backend.h"

#include <windows.h>

#include <mmsystem.h>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The sound driver on winmm's waveOut: 48 kHz stereo 16-bit, each cue written whole as one
// buffer, and never more than one buffer on the device.
struct platform::audio::Sound {
    std::vector<std::int16_t> samples; // what the header points at: the cue, then silence
    WAVEHDR header{};
};

namespace platform {

namespace {

constexpr DWORD kRate = 48000;
constexpr WORD kFrameBytes = 4;

// Wine's waveOut stops and flushes its stream as soon as it reckons the last buffer played, and
// the last milliseconds still on their way to the sound server are thrown away: a little
// silence after each cue keeps that seam off the cue itself, at the price of holding the window
// 50 ms longer after a shot; on Windows too a buffer is done before the device has sounded it.
// (The stream's restart may lose a cue's first milliseconds, which lie in its own fade-in.)
constexpr std::size_t kTailFrames = kRate / 20;

struct Driver {
    HWAVEOUT out = nullptr; // null while closed

    // waveOut sets the event when a buffer is done; the watcher thread then reports the ending.
    // A waveOut callback function may call almost nothing, not even a mutex, so it is not used.
    HANDLE done = nullptr;
    std::thread watcher;

    // Between the game's thread and the watcher, which reports an ending with it held, so that
    // no report comes once stopSound() has returned.
    std::mutex mutex;
    bool closing = false;
    audio::Sound *written = nullptr; // on the device, its ending not yet reported
};

// Never destroyed, like the device's books: the last MMControl may close it at exit.
Driver &driver()
{
    static auto *const shared = new Driver;
    return *shared;
}

// waveOut marks a buffer done from a thread of its own.
bool isDone(const WAVEHDR &header)
{
    return (*static_cast<const volatile DWORD *>(&header.dwFlags) & WHDR_DONE) != 0;
}

void watch(Driver &device)
{
    for (;;) {
        WaitForSingleObject(device.done, INFINITE);
        std::lock_guard lock(device.mutex);
        if (device.closing)
            return;
        // The event also fires on open and close, and for a buffer that stopSound() cut off:
        // only a done buffer that is still written has ended now.
        if (device.written && isDone(device.written->header)) {
            device.written = nullptr;
            Backend::soundEnded();
        }
    }
}

} // namespace

bool Backend::openAudio()
{
    Driver &device = driver();
    device.done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!device.done)
        return false;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.nAvgBytesPerSec = kRate * kFrameBytes;
    format.nBlockAlign = kFrameBytes;
    format.wBitsPerSample = 16;
    // Without a sound card or server (Wine with no PulseAudio) this fails, and the game is silent.
    if (waveOutOpen(&device.out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(device.done), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        device.out = nullptr;
        CloseHandle(device.done);
        device.done = nullptr;
        return false;
    }
    device.closing = false;
    device.watcher = std::thread(watch, std::ref(device));
    return true;
}

void Backend::closeAudio()
{
    Driver &device = driver();
    {
        std::lock_guard lock(device.mutex);
        device.closing = true;
    }
    waveOutClose(device.out);
    device.out = nullptr;
    SetEvent(device.done);
    device.watcher.join();
    CloseHandle(device.done);
    device.done = nullptr;
}

double Backend::audioBytesPerSecond() { return double(kRate) * kFrameBytes; }

audio::Sound *Backend::loadSound(const media::WavFormat &format, const media::Bytes &wav)
{
    auto sound = std::make_unique<audio::Sound>();
    sound->samples = media::toStereo16(format, wav, kRate);
    if (sound->samples.empty()) // less than a frame: nothing the device could play
        return nullptr;
    sound->samples.resize(sound->samples.size() + 2 * kTailFrames);
    sound->header.lpData = reinterpret_cast<LPSTR>(sound->samples.data());
    sound->header.dwBufferLength = DWORD(sound->samples.size() * sizeof(std::int16_t));
    if (waveOutPrepareHeader(driver().out, &sound->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return nullptr;
    return sound.release();
}

void Backend::unloadSound(audio::Sound *sound)
{
    const HWAVEOUT out = driver().out;
    // After a reset the device has let go of the buffer; should a driver still hold it,
    // leaking the samples is better than having it play freed memory.
    if (out &&
        waveOutUnprepareHeader(out, &sound->header, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING) {
        waveOutReset(out);
        if (waveOutUnprepareHeader(out, &sound->header, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING)
            return;
    }
    delete sound;
}

audio::Clock::duration Backend::soundLength(const audio::Sound *sound)
{
    const std::chrono::duration<std::int64_t, std::ratio<1, kRate>> frames(
        std::int64_t(sound->samples.size() / 2));
    return std::chrono::duration_cast<audio::Clock::duration>(frames);
}

bool Backend::startSound(audio::Sound *sound)
{
    Driver &device = driver();
    // Held until the sound is written: a short cue may be done before waveOutWrite returns, and
    // the watcher must not look for it before then.
    std::lock_guard lock(device.mutex);
    if (!device.out ||
        waveOutWrite(device.out, &sound->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return false;
    device.written = sound;
    return true;
}

void Backend::stopSound()
{
    Driver &device = driver();
    std::lock_guard lock(device.mutex);
    if (!device.written)
        return;
    waveOutReset(device.out);
    device.written = nullptr;
}

bool Backend::isSoundPlaying(const audio::Sound *sound) { return !isDone(sound->header); }

} // namespace platform
