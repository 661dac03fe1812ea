#include "platform/shared/Backend.h"
#include "platform/shared/Text.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The game's folder is the current directory, read with POSIX's own calls: std::ifstream
// would open a FIFO and wait on it.
namespace platform {

namespace {

bool isReadable(const struct stat &info, std::uint64_t maxBytes)
{
    return S_ISREG(info.st_mode) && info.st_size > 0 && std::uint64_t(info.st_size) <= maxBytes;
}

} // namespace

media::FileContents Backend::readFile(const std::u16string &fileName, std::uint64_t maxBytes)
{
    using media::FileCheck;
    const std::string path = toUtf8(fileName);
    struct stat info = {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return {FileCheck::Missing, {}};
    if (!isReadable(info, maxBytes))
        return {FileCheck::NotAFile, {}};
    // The name may have been swapped for a FIFO since the check; O_NONBLOCK keeps even that
    // from hanging, and fstat then sees what was really opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {FileCheck::NotAFile, {}};
    media::FileContents contents{FileCheck::NotAFile, {}};
    if (::fstat(fd, &info) == 0 && isReadable(info, maxBytes)) {
        contents.bytes.resize(std::size_t(info.st_size));
        std::size_t done = 0;
        while (done < contents.bytes.size()) {
            const ssize_t got =
                ::read(fd, contents.bytes.data() + done, contents.bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += std::size_t(got);
        }
        contents.bytes.resize(done);
        contents.check = FileCheck::Read;
    }
    ::close(fd);
    return contents;
}

} // namespace platform
