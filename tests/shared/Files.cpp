#include "Files.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <utility>

namespace testfiles {

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(const std::string &characters) { return Bytes(characters.begin(), characters.end()); }

Bytes littleEndian(int size, std::initializer_list<std::int64_t> values)
{
    Bytes bytes;
    for (const std::int64_t value : values)
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<unsigned char>(std::uint64_t(value) >> (8 * i)));
    return bytes;
}

Bytes wavHeader(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                std::uint32_t dataBytes, std::uint16_t encoding)
{
    return text("RIFF") + littleEndian(4, {36 + dataBytes}) + text("WAVEfmt ") +
           littleEndian(4, {16}) + littleEndian(2, {encoding, channels}) +
           littleEndian(4, {rate, rate * channels * bits / 8}) +
           littleEndian(2, {channels * bits / 8, bits}) + text("data") +
           littleEndian(4, {dataBytes});
}

Bytes tone(int milliseconds)
{
    const int frames = 48 * milliseconds;
    Bytes bytes = wavHeader(48000, 2, 16, std::uint32_t(frames * 4));
    for (int i = 0; i < frames; ++i) {
        const auto sample = std::int16_t(8000 * std::sin(i * 0.0576));
        bytes = std::move(bytes) + littleEndian(2, {sample, sample});
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
    Bytes bytes = text("GIF89a") + littleEndian(2, {width, height}) + Bytes{0x80, 0, 0} + colours +
                  Bytes{0x21, 0xFE, 3, 'c', 'a', 't', 2, 'o', 'k', 0};
    for (const GifFrame &frame : frames)
        bytes = std::move(bytes) + Bytes{0x21, 0xF9, 4, 0, 10, 0, 0, 0, 0x2C} +
                littleEndian(2, {frame.left, frame.top, frame.width, frame.height}) + Bytes{0x80} +
                colours + Bytes{2, 2, 0x44, 0x01, 0}; // pixels: clear, one dot, end; 3-bit codes
    return bytes + Bytes{0x3B};
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
