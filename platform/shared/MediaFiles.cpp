#include "platform/shared/MediaFiles.h"

#include "platform/shared/Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::media {

namespace {

std::uint32_t littleEndian(const Bytes &bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + i];
    return value;
}

bool startsWith(const Bytes &bytes, std::size_t at, const char *text)
{
    for (std::size_t i = 0; text[i]; ++i)
        if (at + i >= bytes.size() || bytes[at + i] != static_cast<unsigned char>(text[i]))
            return false;
    return true;
}

// The standard format, or the format an extensible header names as its sub-format.
std::uint16_t encodingOf(const Bytes &bytes, std::size_t fmt, std::uint32_t fmtLength)
{
    constexpr std::uint16_t kExtensible = 0xFFFE;
    const auto tag = static_cast<std::uint16_t>(littleEndian(bytes, fmt, 2));
    if (tag != kExtensible)
        return tag;
    // The sub-format GUID begins with the standard tag, 24 bytes into the chunk.
    return fmtLength >= 40 ? static_cast<std::uint16_t>(littleEndian(bytes, fmt + 24, 2)) : 0;
}

} // namespace

std::optional<WavFormat> playableWav(const Bytes &bytes, double deviceBytesPerSecond)
{
    if (bytes.size() < 12 || !startsWith(bytes, 0, "RIFF") || !startsWith(bytes, 8, "WAVE"))
        return std::nullopt;
    std::optional<WavFormat> format;
    std::size_t at = 12; // past "RIFF", its size and "WAVE"
    while (at + 8 <= bytes.size()) {
        const std::uint32_t length = littleEndian(bytes, at + 4, 4);
        const std::size_t body = at + 8;
        if (startsWith(bytes, at, "fmt ") && length >= 16 && length <= bytes.size() - body) {
            format = WavFormat{encodingOf(bytes, body, length),
                               static_cast<std::uint16_t>(littleEndian(bytes, body + 2, 2)),
                               littleEndian(bytes, body + 4, 4),
                               static_cast<std::uint16_t>(littleEndian(bytes, body + 14, 2)),
                               static_cast<std::uint16_t>(littleEndian(bytes, body + 12, 2)),
                               0,
                               0};
        } else if (startsWith(bytes, at, "data")) {
            // The decoder would set aside as much memory as the header claims, 4 GiB for a
            // few bytes that say so: the samples must lie within the file.
            if (!format || length > bytes.size() - body)
                return std::nullopt;
            format->dataOffset = body;
            format->dataBytes = length;
            break;
        }
        at = body + std::size_t(length) + (length & 1); // chunks are padded to an even size
    }
    if (!format || format->dataBytes == 0)
        return std::nullopt;

    const WavFormat &f = *format;
    const bool integer =
        f.encoding == WavFormat::kPcm && (f.bitsPerSample == 8 || f.bitsPerSample == 16 ||
                                          f.bitsPerSample == 24 || f.bitsPerSample == 32);
    const bool floating = f.encoding == WavFormat::kFloat && f.bitsPerSample == 32;
    if (!(integer || floating) || f.channels == 0 || f.rate == 0 ||
        f.frameBytes != f.channels * (f.bitsPerSample / 8))
        return std::nullopt;
    if (f.seconds() * deviceBytesPerSecond > double(kMaxDecodedCueBytes))
        return std::nullopt;
    return format;
}

namespace {

// One sample, brought to 16 bits: wider integers keep their top 16, 8-bit samples are
// unsigned around 128.
std::int16_t sample16(const WavFormat &format, const Bytes &wav, std::size_t at)
{
    switch (format.bitsPerSample) {
    case 8: return static_cast<std::int16_t>((wav[at] - 128) * 256);
    case 16: return static_cast<std::int16_t>(littleEndian(wav, at, 2));
    case 24: return static_cast<std::int16_t>(littleEndian(wav, at + 1, 2));
    }
    if (format.encoding != WavFormat::kFloat)
        return static_cast<std::int16_t>(littleEndian(wav, at + 2, 2));
    // Copied bit for bit: not every standard library the game is built with has std::bit_cast.
    const std::uint32_t bits = littleEndian(wav, at, 4);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    const float scaled = value * 32768.0f;
    if (std::isnan(scaled)) // a damaged file's noise, not worth a click
        return 0;
    return static_cast<std::int16_t>(std::lround(std::clamp(scaled, -32768.0f, 32767.0f)));
}

} // namespace

std::vector<std::int16_t> toStereo16(const WavFormat &format, const Bytes &wav, std::uint32_t rate)
{
    const std::size_t available = format.dataOffset < wav.size()
                                      ? std::min(format.dataBytes, wav.size() - format.dataOffset)
                                      : 0;
    const std::uint64_t frames = available / format.frameBytes;
    const std::size_t sampleBytes = format.bitsPerSample / 8;
    const auto sample = [&](std::uint64_t frame, int side) {
        const int channel = format.channels == 1 ? 0 : side;
        return sample16(format, wav,
                        format.dataOffset + frame * format.frameBytes + channel * sampleBytes);
    };
    // Output frame j lies j * format.rate / rate frames into the cue. In whole numbers, so that
    // at the same rate every frame falls exactly on one of the cue's and is copied unchanged.
    const std::uint64_t outFrames = frames * rate / format.rate;
    std::vector<std::int16_t> out;
    out.reserve(outFrames * 2);
    for (std::uint64_t j = 0; j < outFrames; ++j) {
        const std::uint64_t position = j * format.rate;
        const std::uint64_t frame = position / rate, fraction = position % rate;
        for (int side = 0; side < 2; ++side) {
            const std::int64_t from = sample(frame, side);
            if (fraction == 0 || frame + 1 >= frames) {
                out.push_back(static_cast<std::int16_t>(from));
                continue;
            }
            const std::int64_t to = sample(frame + 1, side);
            out.push_back(static_cast<std::int16_t>(from + (to - from) * std::int64_t(fraction) /
                                                               std::int64_t(rate)));
        }
    }
    return out;
}

namespace {

// The size of the colour table that a GIF's packed field announces; none when its top bit is clear.
std::size_t colourTableBytes(unsigned char packed)
{
    return (packed & 0x80) ? 3 * (std::size_t(2) << (packed & 7)) : 0;
}

// Past a chain of data sub-blocks: each a length byte and that many bytes, the last of length 0.
std::size_t pastSubBlocks(const Bytes &bytes, std::size_t at)
{
    while (at < bytes.size() && bytes[at] != 0)
        at += 1 + std::size_t(bytes[at]);
    return at + 1;
}

} // namespace

bool isPlausibleGif(const Bytes &bytes)
{
    if (bytes.size() < 10 || !(startsWith(bytes, 0, "GIF87a") || startsWith(bytes, 0, "GIF89a")))
        return false;
    const std::uint64_t width = littleEndian(bytes, 6, 2);
    const std::uint64_t height = littleEndian(bytes, 8, 2);
    if (width == 0 || height == 0 || width * height * 4 > kMaxPictureBytes)
        return false;
    // A decoder that finds no canvas, or a frame beyond its edge, sizes its picture by the
    // frame, so a few bytes could claim gigabytes: every frame must lie within the canvas,
    // which keeps it within the limit too. Frames past the first count as well, since some
    // decoders read them all on opening the file.
    std::size_t at = 13; // past the header and the canvas
    if (bytes.size() > 10)
        at += colourTableBytes(bytes[10]);
    while (at < bytes.size()) {
        switch (bytes[at]) {
        case 0x2C: { // a frame: where it lies, its size, its own colours, then its pixels
            if (bytes.size() - at < 10)
                return true; // cut short before its size: no decoder can make anything of it
            const std::uint64_t left = littleEndian(bytes, at + 1, 2);
            const std::uint64_t top = littleEndian(bytes, at + 3, 2);
            if (left + littleEndian(bytes, at + 5, 2) > width ||
                top + littleEndian(bytes, at + 7, 2) > height)
                return false;
            // Past the code size that leads the pixels.
            at = pastSubBlocks(bytes, at + 10 + colourTableBytes(bytes[at + 9]) + 1);
            break;
        }
        case 0x21: at = pastSubBlocks(bytes, at + 2); break; // an extension: its label, its data
        case 0x3B: return true;                              // the end of the picture
        default: ++at; // a stray byte, which some decoders pass over to a frame behind it
        }
    }
    return true;
}

} // namespace platform::media
