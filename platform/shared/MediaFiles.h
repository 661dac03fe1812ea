#pragma once

// The checks that every cue and picture passes before a decoder sees it, so
// that whatever a player leaves in the game's folder in their place, nothing
// hangs, crashes or eats the machine's memory. The backend reads the files
// (Backend::readFile).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::media {

using Bytes = std::vector<unsigned char>;

// Cue files beyond this size are refused as unplayable, so that a stray huge file cannot
// stall the game or eat its memory.
constexpr std::uint64_t kMaxCueFileBytes = 16 * 1024 * 1024;
// A small file can claim a very low sample rate and swell when converted to the device's
// format (16 MiB of 8 kHz mono 8-bit would become 384 MiB at 48 kHz stereo 16-bit): cues
// whose sound would take more than this once converted are refused too.
constexpr std::uint64_t kMaxDecodedCueBytes = 2 * kMaxCueFileBytes;
// A picture needs far less than this, on disk or decoded to 32 bits a pixel; a file whose
// header claims a giant size must fail cleanly instead of exhausting memory.
constexpr std::uint64_t kMaxPictureBytes = 64 * 1024 * 1024;

enum class FileCheck {
    Read,     // the bytes are the whole file
    Missing,  // nothing of that name
    NotAFile, // a folder, a FIFO, a device; or a file that is empty or too large
};

struct FileContents {
    FileCheck check;
    Bytes bytes;
};

// The sound of a WAV file, as its format chunk describes it.
struct WavFormat {
    std::uint16_t encoding; // kPcm or kFloat
    std::uint16_t channels;
    std::uint32_t rate;          // frames per second
    std::uint16_t bitsPerSample; // 8, 16, 24 or 32; 32 for float
    std::uint16_t frameBytes;
    std::size_t dataOffset; // where the samples begin in the file
    std::size_t dataBytes;

    static constexpr std::uint16_t kPcm = 1;
    static constexpr std::uint16_t kFloat = 3;
    double seconds() const { return double(dataBytes) / frameBytes / rate; }
};

// The format of a WAV file the game is willing to play: uncompressed integer or float
// samples whose chunks lie within the file and whose sound, converted to a device taking
// deviceBytesPerSecond, stays within kMaxDecodedCueBytes. Nothing for anything else, which a
// decoder must never see: other formats and a header claiming more than the file holds.
std::optional<WavFormat> playableWav(const Bytes &bytes, double deviceBytesPerSecond);

// The samples of a cue that playableWav accepted, as a device without a mixer of its own
// takes them: interleaved stereo 16-bit at `rate` frames per second. A mono cue sounds on both
// sides; past the second, channels are dropped; float samples beyond full scale are clipped.
// A cue already in that format comes out sample for sample, so that it can be found by its
// exact samples in a recording of the game's sound.
std::vector<std::int16_t> toStereo16(const WavFormat &format, const Bytes &wav, std::uint32_t rate);

// True when the bytes begin as a GIF picture whose canvas, at 32 bits a pixel, stays
// within kMaxPictureBytes, is not empty and holds every frame of the picture.
bool isPlausibleGif(const Bytes &bytes);

} // namespace platform::media
