#include "platform/windows/WinBackend.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The sound driver on winmm's waveOut: 48 kHz stereo 16-bit, each cue written whole as one
// buffer, and never more than one buffer on the device.
struct platform::audio::Sound {
    std::vector<std::int16_t> samples; // what the header points at: the cue, then silence
    DWORD cueFrames;                   // the cue's own, without the silence
    WAVEHDR header{};
};

namespace platform {

namespace win {
WaveOut waveOut;
}

namespace {

using win::waveOut;

constexpr DWORD kRate = 48000;
constexpr WORD kFrameBytes = 4;

// Wine's waveOut stops and flushes its stream as soon as it reckons the last buffer played, and
// the last milliseconds still on their way to the sound server are thrown away: a little
// silence after each cue keeps that seam off the cue itself, at the price of holding the window
// 50 ms longer after a shot. (The stream's restart may lose a cue's first milliseconds, which
// lie in its own fade-in.)
constexpr std::size_t kTailFrames = kRate / 20;

// Longer than any device's way from its buffers to the speaker: a device whose position stops
// short of a done cue's end is not waited for beyond this.
constexpr std::chrono::seconds kMostLatency{1};

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
    // The device's position counts the frames played since it was opened or reset; the
    // buffers written since then tell where the written cue's last frame lies.
    std::uint64_t framesWritten = 0;
    DWORD cueEnd = 0; // position of the written cue's end, modulo 2^32 as the device's
    audio::Clock::time_point doneAt; // when the watcher found its buffer done; {} before
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

// Frames the device has played since it was opened or reset; nothing when it cannot say.
std::optional<DWORD> playedFrames(HWAVEOUT out)
{
    MMTIME time{TIME_SAMPLES, {}};
    const bool said = waveOut.position(out, &time, sizeof time) == MMSYSERR_NOERROR;
    return said && time.wType == TIME_SAMPLES ? std::optional(time.u.sample) : std::nullopt;
}

// Milliseconds until the written cue has been heard, 0 once it has. A buffer is done once the
// device has taken its samples, which may still be on their way to the speaker (Windows' audio
// engine): the cue is heard when the device's played position has passed its last frame too.
// Under Wine the position runs ahead of the done flag (it counts what went to the sound
// server), so there the done flag decides.
DWORD untilHeard(Driver &device)
{
    if (!isDone(device.written->header))
        return INFINITE; // the device sets the event when it is
    const audio::Clock::time_point now = audio::Clock::now();
    if (device.doneAt == audio::Clock::time_point{})
        device.doneAt = now;
    const std::optional<DWORD> played = playedFrames(device.out);
    const auto ahead = played ? std::int32_t(device.cueEnd - *played) : 0;
    if (ahead <= 0 || now - device.doneAt > kMostLatency)
        return 0;
    return std::clamp<DWORD>(DWORD(ahead) * 1000 / kRate, 1, 50);
}

void watch(Driver &device)
{
    DWORD wait = INFINITE;
    for (;;) {
        WaitForSingleObject(device.done, wait);
        std::lock_guard lock(device.mutex);
        if (device.closing)
            return;
        // The event also fires on open and close, and for a buffer that stopSound() cut off:
        // only a cue that is still written can have ended now.
        wait = device.written ? untilHeard(device) : INFINITE;
        if (wait == 0) {
            device.written = nullptr;
            wait = INFINITE;
            Backend::soundEnded();
        }
    }
}

// Throws away whatever the device holds; its position starts again from 0.
void reset(Driver &device)
{
    waveOut.reset(device.out);
    device.framesWritten = 0;
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
    if (waveOut.open(&device.out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(device.done), 0,
                     CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        device.out = nullptr;
        CloseHandle(device.done);
        device.done = nullptr;
        return false;
    }
    device.closing = false;
    device.framesWritten = 0;
    device.watcher = std::thread(watch, std::ref(device));
    return true;
}

void Backend::closeAudio()
{
    Driver &device = driver();
    if (!device.out)
        return;
    {
        std::lock_guard lock(device.mutex);
        device.closing = true;
        device.written = nullptr;
    }
    waveOut.reset(device.out); // a device with a buffer on it does not close
    waveOut.close(device.out);
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
    sound->cueFrames = DWORD(sound->samples.size() / 2);
    sound->samples.resize(sound->samples.size() + 2 * kTailFrames);
    sound->header.lpData = reinterpret_cast<LPSTR>(sound->samples.data());
    sound->header.dwBufferLength = DWORD(sound->samples.size() * sizeof(std::int16_t));
    if (waveOut.prepare(driver().out, &sound->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return nullptr;
    return sound.release();
}

void Backend::unloadSound(audio::Sound *sound)
{
    Driver &device = driver();
    // After a reset the device has let go of the buffer; should a driver still hold it,
    // leaking the samples is better than having it play freed memory.
    if (device.out &&
        waveOut.unprepare(device.out, &sound->header, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING) {
        reset(device);
        if (waveOut.unprepare(device.out, &sound->header, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING)
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
        waveOut.write(device.out, &sound->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return false;
    device.written = sound;
    device.doneAt = {};
    device.cueEnd = DWORD(device.framesWritten + sound->cueFrames);
    device.framesWritten += sound->samples.size() / 2;
    return true;
}

void Backend::stopSound()
{
    Driver &device = driver();
    std::lock_guard lock(device.mutex);
    if (!device.written)
        return;
    reset(device);
    device.written = nullptr;
}

// The watcher thread reports an ending.
void Backend::sleepForSound(std::condition_variable &counted, std::unique_lock<std::mutex> &books,
                            audio::Clock::time_point deadline)
{
    counted.wait_until(books, deadline);
}

bool Backend::isSoundPlaying(const audio::Sound *sound)
{
    Driver &device = driver();
    std::lock_guard lock(device.mutex);
    return device.written == sound;
}

} // namespace platform
