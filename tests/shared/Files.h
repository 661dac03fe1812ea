#pragma once

// Files for the tests of cues, pictures and the media control, in a folder of
// their own that is the current directory while the test runs.

#include "platform/MediaFiles.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace testfiles {

using platform::media::Bytes;

// A PCM WAV header with its format chunk and a data chunk claiming dataBytes.
Bytes wavHeader(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                std::uint32_t dataBytes, std::uint16_t encoding = 1);
// A whole 16-bit stereo 48 kHz cue of the given length.
Bytes tone(int milliseconds);
// The game's own cat picture.
Bytes catPicture();

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
