#include "platform/AudioDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <condition_variable>
#include <mutex>

// The run's audio device on SDL2_mixer: 48 kHz stereo 16-bit, one mixing channel.
struct platform::audio::Sound {
    Mix_Chunk *chunk;
};

namespace platform::audio {

namespace {

// Cues never overlap, so the mixer gets a single channel: starting a cue cuts off the last one.
constexpr int kChannel = 0;

struct Device {
    int users = 0;
    bool opened = false; // outcome of the latest attempt to open the device

    // Counts every sound that ended, so a waiter can tell that its cue is over even if the
    // ending came before it started waiting.
    std::mutex mutex;
    std::condition_variable ended;
    std::uint64_t endings = 0;
};

// Never destroyed: an MMControl that lives in a static of its own may go after this file's
// statics have.
Device &device()
{
    static auto *const shared = new Device;
    return *shared;
}

// Called on SDL's audio thread, or inside Mix_HaltChannel with the device locked, so it must
// not call into SDL and must be quick.
void SDLCALL onChannelFinished(int)
{
    Device &audio = device();
    {
        std::lock_guard lock(audio.mutex);
        ++audio.endings;
    }
    audio.ended.notify_all();
}

} // namespace

void acquire()
{
    Device &audio = device();
    if (audio.users++ > 0)
        return;
    audio.opened = false;
    // SDL would catch SIGINT and SIGTERM for an event queue the game never reads,
    // and the game would then outlive a logout or a plain kill.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_AUDIO) != 0)
        return;
    // A 512-frame buffer lets a cue start within about 10 ms of Play.
    if (Mix_OpenAudio(48000, AUDIO_S16SYS, 2, 512) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    Mix_AllocateChannels(1);
    Mix_ChannelFinished(onChannelFinished);
    audio.opened = true;
}

void release()
{
    Device &audio = device();
    if (--audio.users > 0 || !audio.opened)
        return;
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool isOpen() { return device().opened; }

double bytesPerSecond()
{
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    if (!isOpen() || Mix_QuerySpec(&frequency, &format, &channels) == 0)
        return 0;
    return double(frequency) * channels * (SDL_AUDIO_BITSIZE(format) / 8);
}

Sound *load(const media::WavFormat &, const media::Bytes &wav)
{
    // The mixer decodes into a buffer of its own, in the device's format.
    Mix_Chunk *chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), int(wav.size())), 1);
    return chunk ? new Sound{chunk} : nullptr;
}

void unload(Sound *sound)
{
    Mix_FreeChunk(sound->chunk);
    delete sound;
}

Clock::duration length(const Sound *sound)
{
    const double seconds = sound->chunk->alen / bytesPerSecond();
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::optional<std::uint64_t> play(Sound *sound)
{
    // Halting first settles the ending of whatever sounded before, so any ending counted
    // after this point belongs to the sound started here.
    Mix_HaltChannel(kChannel);
    const std::uint64_t before = endings();
    if (Mix_PlayChannel(kChannel, sound->chunk, 0) != kChannel)
        return std::nullopt;
    return before;
}

void halt(Sound *sound)
{
    if (Mix_GetChunk(kChannel) == sound->chunk)
        Mix_HaltChannel(kChannel);
}

bool isSounding(const Sound *sound)
{
    return Mix_Playing(kChannel) != 0 && Mix_GetChunk(kChannel) == sound->chunk;
}

// Never called while holding the device lock: the audio thread takes our mutex from inside
// the device lock, and the reverse order would deadlock.
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
