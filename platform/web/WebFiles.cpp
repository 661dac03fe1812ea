#include "platform/web/WebBackend.h"

namespace platform {

// The game's folder is the page's own on its server, whose files the page keeps (page/files.js).
media::FileContents Backend::readFile(const std::u16string &fileName, std::uint64_t maxBytes)
{
    if (fileName.empty())
        return {media::FileCheck::Missing, {}};
    const int length = ropi_file_read(fileName.c_str(), double(maxBytes));
    if (length == web::kMissing)
        return {media::FileCheck::Missing, {}};
    if (length <= 0)
        return {media::FileCheck::NotAFile, {}};
    media::FileContents file{media::FileCheck::Read, media::Bytes(std::size_t(length))};
    ropi_file_take(file.bytes.data());
    return file;
}

} // namespace platform
