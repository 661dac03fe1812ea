#include "platform/MMControl.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Cues never overlap, so the mixer gets a single channel: starting a cue cuts off the last one.
constexpr int kChannel = 0;

struct AudioDevice {
    int users = 0;
    bool opened = false; // outcome of the latest attempt to open the device

    // Counts every sound that ended, so a waiter can tell that its cue is over even if the
    // ending came before it started waiting.
    std::mutex mutex;
    std::condition_variable ended;
    quint64 endings = 0;
};

// Never destroyed: an MMControl that lives in a static of its own may go after this file's
// statics have.
AudioDevice &device()
{
    static auto *const shared = new AudioDevice;
    return *shared;
}

// Called on SDL's audio thread, or inside Mix_HaltChannel with the device locked, so it must
// not call into SDL and must be quick.
void SDLCALL onChannelFinished(int)
{
    AudioDevice &audio = device();
    {
        std::lock_guard lock(audio.mutex);
        ++audio.endings;
    }
    audio.ended.notify_all();
}

// Never call this while holding the device lock: the audio thread takes our mutex from
// inside the device lock, and the reverse order would deadlock.
quint64 endingsSoFar()
{
    AudioDevice &audio = device();
    std::lock_guard lock(audio.mutex);
    return audio.endings;
}

void acquireDevice()
{
    AudioDevice &audio = device();
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

void releaseDevice()
{
    AudioDevice &audio = device();
    if (--audio.users > 0 || !audio.opened)
        return;
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool isPlayableFile(const struct stat &info)
{
    return S_ISREG(info.st_mode) && info.st_size > 0 && info.st_size <= MMControl::kMaxFileBytes;
}

// Returns the whole file, or nothing when it is no cue we are willing to read. Only regular
// files are ever opened: opening a FIFO would wait for a writer, and a device may never end.
QByteArray readCueFile(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info = {};
    if (path.isEmpty() || ::stat(path.constData(), &info) != 0 || !isPlayableFile(info))
        return {};

    // The name may have been swapped for a FIFO since the check; O_NONBLOCK keeps even that
    // from hanging, and fstat then sees what was really opened.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    if (::fstat(fd, &info) == 0 && isPlayableFile(info)) {
        bytes.resize(info.st_size);
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        bytes.truncate(done);
    }
    ::close(fd);
    return bytes;
}

// Bytes per second of sound in the format the device was opened with; 0 when it is not open.
double deviceBytesPerSecond()
{
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0)
        return 0;
    return double(frequency) * channels * (SDL_AUDIO_BITSIZE(format) / 8);
}

// True when the WAV's chunks, up to and including its samples, lie within the file. The
// mixer sets aside as much memory as a header claims, 4 GiB for a few bytes that say so.
bool dataChunkFitsTheFile(const QByteArray &bytes)
{
    qsizetype at = 12; // past "RIFF", its size and "WAVE"
    while (at + 8 <= bytes.size()) {
        const auto length = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        if (bytes.mid(at, 4) == "data")
            return length <= bytes.size() - at - 8;
        at += 8 + qsizetype(length) + (length & 1); // chunks are padded to an even size
    }
    return false;
}

// True when the bytes are a WAV whose sound, converted to the device's format, stays within
// kMaxDecodedBytes. Anything else is refused before the mixer sees it: the mixer would take
// any music format it knows (MIDI, MOD, MP3...), some of which a few bytes can turn into hours
// of sound, and it crashes on some WAVs whose rate makes the conversion too large.
bool isAcceptableWav(const QByteArray &bytes)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE" ||
        !dataChunkFitsTheFile(bytes))
        return false;
    SDL_AudioSpec spec = {};
    Uint8 *samples = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.constData(), int(bytes.size())), 1, &spec,
                        &samples, &length))
        return false;
    SDL_FreeWAV(samples);
    const double bytesPerSecond =
        double(spec.freq) * spec.channels * (SDL_AUDIO_BITSIZE(spec.format) / 8);
    if (spec.freq <= 0 || bytesPerSecond <= 0)
        return false;
    return length / bytesPerSecond * deviceBytesPerSecond() <= double(MMControl::kMaxDecodedBytes);
}

void haltIfOnChannel(Mix_Chunk *chunk)
{
    // Another MMControl may have taken the channel since; its cue is not ours to stop.
    if (Mix_GetChunk(kChannel) == chunk)
        Mix_HaltChannel(kChannel);
}

} // namespace

MMControl::MMControl() { acquireDevice(); }

MMControl::~MMControl()
{
    close();
    releaseDevice();
}

bool MMControl::hasAudioDevice() { return device().opened; }

void MMControl::setCommand(const QString &command)
{
    const auto is = [&command](QStringView name) {
        return command.compare(name, Qt::CaseInsensitive) == 0;
    };
    if (is(u"Open"))
        open();
    else if (is(u"Play"))
        play();
    else if (is(u"Stop"))
        stop();
    else if (is(u"Close"))
        close();
}

int MMControl::Mode() const
{
    if (!chunk_)
        return kModeNotOpen;
    const bool sounding = playing_ && std::chrono::steady_clock::now() < playDeadline_ &&
                          endingsSoFar() == endingsBeforePlay_ && Mix_Playing(kChannel) != 0 &&
                          Mix_GetChunk(kChannel) == chunk_;
    return sounding ? kModePlay : kModeStopped;
}

void MMControl::waitForModeChange(std::chrono::milliseconds timeout) const
{
    if (Mode() != kModePlay)
        return;
    // wait_until would overflow for a "forever" timeout; and never past the cue's deadline,
    // where Mode() stops reading kModePlay whatever the device says.
    const auto limit = std::min(timeout, std::chrono::milliseconds(std::chrono::hours(24)));
    const auto deadline = std::min(std::chrono::steady_clock::now() + limit, playDeadline_);
    AudioDevice &audio = device();
    std::unique_lock lock(audio.mutex);
    audio.ended.wait_until(lock, deadline, [&] { return audio.endings != endingsBeforePlay_; });
}

void MMControl::open()
{
    close();
    if (!device().opened)
        return;
    const QByteArray bytes = readCueFile(fileName_);
    if (!isAcceptableWav(bytes))
        return;
    // Mix_LoadWAV_RW decodes into a buffer of its own, so the bytes may go afterwards.
    chunk_ = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.constData(), int(bytes.size())), 1);
}

void MMControl::play()
{
    if (!chunk_)
        return;
    // Halting first settles the ending of whatever sounded before, so any ending counted
    // after this point belongs to the cue started here.
    Mix_HaltChannel(kChannel);
    endingsBeforePlay_ = endingsSoFar();
    const auto length = std::chrono::duration<double>(chunk_->alen / deviceBytesPerSecond());
    playDeadline_ = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(length) +
                    kEndMargin;
    playing_ = Mix_PlayChannel(kChannel, chunk_, 0) == kChannel;
}

void MMControl::stop()
{
    if (!chunk_)
        return;
    haltIfOnChannel(chunk_);
    playing_ = false;
}

void MMControl::close()
{
    if (!chunk_)
        return;
    // The audio thread must be done with the samples before they are freed.
    haltIfOnChannel(chunk_);
    Mix_FreeChunk(chunk_);
    chunk_ = nullptr;
    playing_ = false;
}

} // namespace platform
