#pragma once

// Files for the tests of cues, pictures and the media control, in a folder of
// their own that is the current directory while the test runs.

#include "platform/shared/MediaFiles.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>

namespace testfiles {

using platform::media::Bytes;

Bytes operator+(Bytes a, const Bytes &b);
Bytes text(const std::string &characters);
// The values, each in `size` bytes, little-endian, as WAV and GIF files hold numbers.
Bytes littleEndian(int size, std::initializer_list<std::int64_t> values);

// A PCM WAV header with its format chunk and a data chunk claiming dataBytes.
Bytes wavHeader(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                std::uint32_t dataBytes, std::uint16_t encoding = 1);
// A whole 16-bit stereo 48 kHz cue of the given length.
Bytes tone(int milliseconds);
// The game's own cat picture.
Bytes catPicture();

// One picture of a GIF: where it lies on the canvas, and its size.
struct GifFrame {
    std::uint16_t left, top, width, height;
};
// A GIF whose canvas and frames claim the given sizes, as an editor saves one: colours for the
// whole picture, a comment, then each frame after its timing, with colours of its own and
// the pixels of a single dot.
Bytes gif(std::uint16_t width, std::uint16_t height, std::initializer_list<GifFrame> frames);

class Folder {
public:
    Folder();
    ~Folder();
    // Writes the file and returns its name.
    std::u16string write(const std::u16string &name, const Bytes &bytes);
    std::filesystem::path path(const std::u16string &name) const { return folder_ / name; }

private:
    std::filesystem::path folder_, previous_;
};

} // namespace testfiles
