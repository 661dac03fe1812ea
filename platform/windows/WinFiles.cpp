#include "platform/windows/WinBackend.h"

// The game's folder is the current directory; names are UTF-16, as Windows' own.
namespace platform {

media::FileContents Backend::readFile(const std::u16string &fileName, std::uint64_t maxBytes)
{
    using media::FileCheck;
    const wchar_t *name = win::wide(fileName);
    const DWORD attributes = GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {FileCheck::Missing, {}};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return {FileCheck::NotAFile, {}};
    const HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {FileCheck::NotAFile, {}};
    media::FileContents contents{FileCheck::NotAFile, {}};
    LARGE_INTEGER size{};
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
        std::uint64_t(size.QuadPart) <= maxBytes) {
        contents.bytes.resize(std::size_t(size.QuadPart));
        std::size_t done = 0;
        DWORD got = 0;
        while (done < contents.bytes.size() &&
               ReadFile(file, contents.bytes.data() + done, DWORD(contents.bytes.size() - done),
                        &got, nullptr) &&
               got > 0)
            done += got;
        contents.bytes.resize(done);
        contents.check = FileCheck::Read;
    }
    CloseHandle(file);
    return contents;
}

} // namespace platform
