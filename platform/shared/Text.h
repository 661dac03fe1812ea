#pragma once

#include <string>
#include <string_view>

// The game's text is UTF-16; file names on POSIX systems, the standard error
// stream and the standard library's messages are UTF-8.
namespace platform {

std::string toUtf8(std::u16string_view text);
// Bytes that are not UTF-8 become U+FFFD, so any message can be shown.
std::u16string fromUtf8(std::string_view text);

} // namespace platform
