#include "platform/web/WebFiles.h"

#include "platform/web/WebBackend.h"

namespace platform::web {

namespace {

// What page/files.js answers instead of a length.
constexpr int kMissing = -1;

} // namespace

media::FileContents fetchPlainFile(const std::u16string &fileName, std::uint64_t maxBytes)
{
    if (fileName.empty())
        return {media::FileCheck::Missing, {}};
    // Waits for the server while the page runs on; its events wait in the queue.
    const int length = ropi_file_fetch(fileName.c_str(), double(maxBytes));
    if (length == kMissing)
        return {media::FileCheck::Missing, {}};
    if (length <= 0)
        return {media::FileCheck::NotAFile, {}};
    media::FileContents file{media::FileCheck::Read, media::Bytes(std::size_t(length))};
    ropi_file_take(file.bytes.data());
    return file;
}

} // namespace platform::web
