#include "Files.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>

namespace testfiles {

namespace {

void put(Bytes &bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void put(Bytes &bytes, const char *fourCharacters)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(fourCharacters[i]));
}

} // namespace

Bytes wavHeader(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                std::uint32_t dataBytes, std::uint16_t encoding)
{
    Bytes bytes;
    put(bytes, "RIFF");
    put(bytes, 36 + dataBytes, 4);
    put(bytes, "WAVE");
    put(bytes, "fmt ");
    put(bytes, 16, 4);
    put(bytes, encoding, 2);
    put(bytes, channels, 2);
    put(bytes, rate, 4);
    put(bytes, rate * channels * bits / 8, 4);
    put(bytes, channels * bits / 8, 2);
    put(bytes, bits, 2);
    put(bytes, "data");
    put(bytes, dataBytes, 4);
    return bytes;
}

Bytes tone(int milliseconds)
{
    const int frames = 48 * milliseconds;
    Bytes bytes = wavHeader(48000, 2, 16, std::uint32_t(frames * 4));
    for (int i = 0; i < frames; ++i) {
        const auto sample = std::uint16_t(std::int16_t(8000 * std::sin(i * 0.0576)));
        put(bytes, sample | std::uint32_t(sample) << 16, 4);
    }
    return bytes;
}

Bytes catPicture()
{
    std::ifstream file(ROPI_ASSETS_DIR "/Cat.gif", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

Bytes gif(std::uint16_t width, std::uint16_t height, std::initializer_list<GifFrame> frames)
{
    const Bytes colours = {0, 0, 0, 255, 255, 255}; // black and white
    Bytes bytes{'G', 'I', 'F', '8', '9', 'a'};
    put(bytes, width, 2);
    put(bytes, height, 2);
    bytes.insert(bytes.end(), {0x80, 0, 0});
    bytes.insert(bytes.end(), colours.begin(), colours.end());
    bytes.insert(bytes.end(), {0x21, 0xFE, 3, 'c', 'a', 't', 2, 'o', 'k', 0});
    for (const GifFrame &frame : frames) {
        bytes.insert(bytes.end(), {0x21, 0xF9, 4, 0, 10, 0, 0, 0});
        bytes.push_back(0x2C);
        for (const std::uint16_t value : {frame.left, frame.top, frame.width, frame.height})
            put(bytes, value, 2);
        bytes.push_back(0x80);
        bytes.insert(bytes.end(), colours.begin(), colours.end());
        bytes.insert(bytes.end(), {2, 2, 0x44, 0x01, 0}); // clear, one dot, end: 3-bit codes
    }
    bytes.push_back(0x3B);
    return bytes;
}

Folder::Folder() : previous_(std::filesystem::current_path())
{
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = std::filesystem::temp_directory_path() / ("ropi-test-" + std::to_string(stamp));
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
}

Folder::~Folder()
{
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::u16string Folder::write(const std::u16string &name, const Bytes &bytes)
{
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    return name;
}

} // namespace testfiles
