// What the game lets through to a decoder, whatever a player leaves in its
// folder in place of the picture and the cues.
#include "Check.h"
#include "Files.h"

#include "platform/MediaFiles.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace platform::media;
using namespace testfiles;

namespace {

constexpr double kDevice = 48000 * 2 * 2; // the game's device: 48 kHz stereo 16-bit

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(const std::string &s) { return Bytes(s.begin(), s.end()); }

Bytes with(Bytes bytes, std::size_t at, std::uint8_t value)
{
    bytes[at] = value;
    return bytes;
}

// A format chunk: the 16 bytes of a PCM header's, then the rest, which makes it longer.
Bytes formatChunk(const Bytes &pcmHeader, const Bytes &rest)
{
    const Bytes body = Bytes(pcmHeader.begin() + 20, pcmHeader.begin() + 36) + rest;
    return text("fmt ") + Bytes{std::uint8_t(body.size()), 0, 0, 0} + body;
}

} // namespace

TEST(onlyPlainFilesOfBoundedSizeAreRead)
{
    Folder folder;
    CHECK(readPlainFile(u"Cat0.wav", kMaxCueFileBytes).check == FileCheck::Missing);
    const Bytes cue = tone(10);
    const FileContents read = readPlainFile(folder.write(u"ピンポン.wav", cue), kMaxCueFileBytes);
    CHECK(read.check == FileCheck::Read && read.bytes == cue);

    std::filesystem::create_directory(folder.path(u"folder.wav"));
    CHECK(readPlainFile(u"folder.wav", kMaxCueFileBytes).check == FileCheck::NotAFile);
    CHECK(readPlainFile(folder.write(u"empty.wav", {}), kMaxCueFileBytes).check ==
          FileCheck::NotAFile);
    folder.write(u"huge.wav", cue);
    std::filesystem::resize_file(folder.path(u"huge.wav"), kMaxCueFileBytes + 1); // a hole
    CHECK(readPlainFile(u"huge.wav", kMaxCueFileBytes).check == FileCheck::NotAFile);
#ifndef _WIN32
    // Opening a FIFO for reading would wait for a writer that never comes.
    CHECK_EQ(::mkfifo(folder.path(u"fifo.wav").c_str(), 0600), 0);
    CHECK(readPlainFile(u"fifo.wav", kMaxCueFileBytes).check == FileCheck::NotAFile);
#endif
}

TEST(playableCuesAreUncompressedAndWithinTheirFile)
{
    const Bytes pcm16 = wavHeader(48000, 2, 16, 400);
    const Bytes samples(400, 0x10);
    const Bytes data = Bytes(pcm16.begin() + 36, pcm16.end()) + samples;
    const Bytes riff = Bytes(pcm16.begin(), pcm16.begin() + 12);
    // An extensible header (tag FFFE) names the real format at the start of its sub-format.
    const Bytes extensiblePcm = with(
        with(formatChunk(pcm16, Bytes{22, 0, 16, 0, 3, 0, 0, 0, 1, 0} + Bytes(14, 0)), 8, 0xFE), 9,
        0xFF);
    const Bytes listChunk = text("LIST") + Bytes{3, 0, 0, 0, 'a', 'b', 'c'};
    struct Row {
        const char *what;
        Bytes bytes;
        bool playable;
    } rows[] = {
        {"the game's own format", tone(100), true},
        {"a note", text("This is a note, not a sound.\n"), false},
        {"claims 4 GB of samples", wavHeader(48000, 2, 16, 0xffffff00u) + samples, false},
        {"samples before their format", riff + data + Bytes(pcm16.begin() + 12, pcm16.begin() + 36),
         false},
        {"24-bit mono at 44.1 kHz", wavHeader(44100, 1, 24, 300) + Bytes(300, 1), true},
        {"32-bit float", wavHeader(48000, 2, 32, 400, 3) + samples, true},
        {"IMA ADPCM", wavHeader(48000, 1, 4, 400, 0x11) + samples, false},
        {"extensible, PCM inside", riff + extensiblePcm + data, true},
        {"a chunk of odd length, padded",
         riff + formatChunk(pcm16, {}) + listChunk + Bytes{0} + data, true},
        {"a chunk of odd length, unpadded", riff + formatChunk(pcm16, {}) + listChunk + data,
         false},
        {"3-byte frames for two 16-bit channels", with(pcm16, 32, 3) + samples, false},
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
    const Bytes cat = catPicture();
    CHECK(cat.size() > 100 && isPlausibleGif(cat));
    CHECK(!isPlausibleGif(text("This is a note, not a picture.\n")));
    const auto claiming = [&cat](std::uint16_t width, std::uint16_t height) {
        Bytes bytes = cat;
        bytes[6] = std::uint8_t(width), bytes[7] = std::uint8_t(width >> 8);
        bytes[8] = std::uint8_t(height), bytes[9] = std::uint8_t(height >> 8);
        return isPlausibleGif(bytes);
    };
    CHECK(claiming(4096, 4096));  // 64 MiB decoded: the most a picture may take
    CHECK(!claiming(4097, 4096)); // a few bytes more
    CHECK(!claiming(8000, 8000));
}
