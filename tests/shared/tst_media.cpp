// What the game lets through to a decoder, whatever a player leaves in its
// folder in place of the picture and the cues; and how a cue reaches a device
// that takes only its own format.
#include "Check.h"
#include "Files.h"

#include "platform/shared/MediaFiles.h"

#include <cstring>

using namespace platform::media;
using namespace testfiles;

constexpr double kDevice = 48000 * 2 * 2; // the game's device: 48 kHz stereo 16-bit

TEST(playableCuesAreUncompressedAndWithinTheirFile)
{
    const Bytes pcm16 = wavHeader(48000, 2, 16, 400), samples(400, 0x10);
    const Bytes riff(pcm16.begin(), pcm16.begin() + 12),
        fmt(pcm16.begin() + 12, pcm16.begin() + 36);
    const Bytes data = Bytes(pcm16.begin() + 36, pcm16.end()) + samples;
    // An extensible header (tag FFFE) names the real format at the start of its sub-format.
    const Bytes extensiblePcm = text("fmt ") + littleEndian(4, {40}) + littleEndian(2, {0xFFFE}) +
                                Bytes(fmt.begin() + 10, fmt.end()) +
                                littleEndian(2, {22, 16, 3, 0, 1}) + Bytes(14, 0);
    const Bytes listChunk = text("LIST") + littleEndian(4, {3}) + text("abc");
    Bytes threeByteFrames = pcm16;
    threeByteFrames[32] = 3;
    struct Row {
        const char *what;
        Bytes bytes;
        bool playable;
    } rows[] = {
        {"a note", text("This is a note, not a sound.\n"), false},
        {"claims 4 bytes more than it holds", wavHeader(48000, 2, 16, 404) + samples, false},
        {"samples before their format", riff + data + fmt, false},
        {"IMA ADPCM", wavHeader(48000, 1, 4, 400, 0x11) + samples, false},
        {"extensible, PCM inside", riff + extensiblePcm + data, true},
        {"a chunk of odd length, padded", riff + fmt + listChunk + Bytes{0} + data, true},
        {"a chunk of odd length, unpadded", riff + fmt + listChunk + data, false},
        {"3-byte frames for two 16-bit channels", threeByteFrames + samples, false},
        {"no samples at all", wavHeader(48000, 2, 16, 0), false},
    };
    for (const Row &row : rows)
        if (playableWav(row.bytes, kDevice).has_value() != row.playable)
            check::fail(__FILE__, __LINE__, std::string(row.what) + ": wrongly judged");
    const auto cue = playableWav(tone(100), kDevice);
    CHECK(cue && cue->dataOffset == 44 && cue->seconds() == 0.1);
}

TEST(aCueThatWouldSwellOnTheDeviceIsRefused)
{
    // 1.5 MB of 8 kHz mono 8-bit is three minutes: 36 MB at the game's 48 kHz stereo 16-bit,
    // more than a cue may take; on a device of its own format it stays 1.5 MB.
    const Bytes slow = wavHeader(8000, 1, 8, 1'500'000) + Bytes(1'500'000, 0x80);
    CHECK(!playableWav(slow, kDevice));
    CHECK(playableWav(slow, 8000));
}

TEST(picturesMustBeGifsOfBoundedSize)
{
    CHECK(isPlausibleGif(catPicture()));
    CHECK(!isPlausibleGif(text("This is a note, not a picture.\n")));
    CHECK(isPlausibleGif(gif(4096, 4096, {}))); // 64 MiB decoded: the most a picture may take
    CHECK(!isPlausibleGif(gif(4097, 4096, {})));
    CHECK(!isPlausibleGif(gif(0, 0, {})));
    // A decoder sizes its picture by a frame that the canvas does not hold.
    CHECK(isPlausibleGif(gif(40, 30, {{0, 0, 40, 30}, {10, 5, 30, 25}})));
    CHECK(!isPlausibleGif(gif(40, 30, {{0, 0, 40, 30}, {10, 5, 31, 25}})));
    CHECK(!isPlausibleGif(gif(40, 30, {{65535, 65535, 1, 1}})));
    // A file cut anywhere is judged on what it holds, without reading past its end: refused
    // once the big frame's size is in, before its colours (6), its pixels (5) and the end (1).
    const Bytes hostile = gif(40, 30, {{0, 0, 40, 30}, {0, 0, 8000, 8000}});
    for (std::size_t size = 10; size <= hostile.size(); ++size)
        CHECK_EQ(isPlausibleGif(Bytes(hostile.begin(), hostile.begin() + size)),
                 size < hostile.size() - 12);
}

namespace {

// A float's bits, which not every standard library can std::bit_cast.
std::int64_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

// The samples a device of the game's format gets from a cue of each format.
TEST(cuesReachTheDeviceAsStereo16BitAt48kHz)
{
    const struct {
        const char *what;
        std::uint32_t rate;
        std::uint16_t channels, bits;
        std::initializer_list<std::int64_t> samples;
        std::vector<std::int16_t> expected; // left, right, left, right...
        std::uint16_t encoding = WavFormat::kPcm;
    } rows[] = {
        {"the game's own", 48000, 2, 16, {0x1234, -2, 32767, -32768}, {0x1234, -2, 32767, -32768}},
        {"mono, on both sides", 48000, 1, 16, {1000, -2000}, {1000, 1000, -2000, -2000}},
        {"8-bit, around 128", 48000, 1, 8, {0x80, 0xFF, 0}, {0, 0, 32512, 32512, -32768, -32768}},
        {"24-bit", 48000, 2, 24, {0x123456, -0x800000}, {0x1234, -32768}},
        {"32-bit integer", 48000, 2, 32, {0x7FFFFFFF, -65536}, {32767, -1}},
        {"float, clipped past full scale",
         48000,
         2,
         32,
         {bitsOf(0.5f), bitsOf(-0.25f), bitsOf(1.5f), bitsOf(-2.0f)},
         {16384, -8192, 32767, -32768},
         WavFormat::kFloat},
        {"five channels, the first two kept", 48000, 5, 16, {1, 2, 3, 4, 5}, {1, 2}},
        // A cue keeps its length at another rate, the frames between interpolated.
        {"half the rate", 24000, 1, 16, {0, 1000}, {0, 0, 500, 500, 1000, 1000, 1000, 1000}},
        {"a frame cut short at the end", 48000, 2, 16, {7, 8, 9}, {7, 8}},
    };
    for (const auto &row : rows) {
        const Bytes data = littleEndian(row.bits / 8, row.samples);
        const Bytes wav =
            wavHeader(row.rate, row.channels, row.bits, std::uint32_t(data.size()), row.encoding) +
            data;
        const auto format = playableWav(wav, kDevice);
        if (!format || toStereo16(*format, wav, 48000) != row.expected)
            check::fail(__FILE__, __LINE__, std::string(row.what) + ": wrongly converted");
    }
}
