#include "platform/shared/Backend.h"

#include <SDL.h>
#include <SDL_mixer.h>

// The sound driver on SDL2_mixer: 48 kHz stereo 16-bit, one mixing channel.
struct platform::audio::Sound {
    Mix_Chunk *chunk;
};

namespace platform {

namespace {

// Cues never overlap, so the mixer gets a single channel: starting a cue cuts off the last one.
constexpr int kChannel = 0;

// Called on SDL's audio thread when a cue has played to its end, or inside Mix_HaltChannel with
// the device locked, so it must not call into SDL and must be quick. The books count either once.
void SDLCALL onChannelFinished(int) { Backend::soundEnded(); }

} // namespace

bool Backend::openAudio()
{
    // SDL would catch SIGINT and SIGTERM for an event queue the game never reads,
    // and the game would then outlive a logout or a plain kill.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_AUDIO) != 0)
        return false;
    // A 512-frame buffer lets a cue start within about 10 ms of Play. With 256 frames the sound
    // server held under 3 ms of the stream instead of 8, and on a busy machine it ran dry many
    // times a round where 512 frames ran dry a few times.
    if (Mix_OpenAudio(48000, AUDIO_S16SYS, 2, 512) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(1);
    Mix_ChannelFinished(onChannelFinished);
    return true;
}

void Backend::closeAudio()
{
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

double Backend::audioBytesPerSecond()
{
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0)
        return 0;
    return double(frequency) * channels * (SDL_AUDIO_BITSIZE(format) / 8);
}

audio::Sound *Backend::loadSound(const media::WavFormat &, const media::Bytes &wav)
{
    // The mixer decodes into a buffer of its own, in the device's format.
    Mix_Chunk *chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), int(wav.size())), 1);
    return chunk ? new audio::Sound{chunk} : nullptr;
}

void Backend::unloadSound(audio::Sound *sound)
{
    Mix_FreeChunk(sound->chunk);
    delete sound;
}

audio::Clock::duration Backend::soundLength(const audio::Sound *sound)
{
    const double seconds = sound->chunk->alen / audioBytesPerSecond();
    return std::chrono::duration_cast<audio::Clock::duration>(
        std::chrono::duration<double>(seconds));
}

bool Backend::startSound(audio::Sound *sound)
{
    return Mix_PlayChannel(kChannel, sound->chunk, 0) == kChannel;
}

// The mixer reports the halted cue's ending before Mix_HaltChannel returns, never after.
void Backend::stopSound() { Mix_HaltChannel(kChannel); }

bool Backend::isSoundPlaying(const audio::Sound *sound)
{
    return Mix_Playing(kChannel) != 0 && Mix_GetChunk(kChannel) == sound->chunk;
}

// SDL reports an ending from its audio thread.
void Backend::sleepForSound(std::condition_variable &counted, std::unique_lock<std::mutex> &books,
                            audio::Clock::time_point deadline)
{
    counted.wait_until(books, deadline);
}

} // namespace platform
