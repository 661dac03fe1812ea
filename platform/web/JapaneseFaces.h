#pragma once

#include <string>
#include <string_view>

namespace platform::web {

// The game's face, "ＭＳ Ｐゴシック", and after it the Japanese Gothic faces that Windows,
// macOS, Linux (Debian's IPA fonts among them) and ChromeOS ship, first found first used.
inline constexpr std::u16string_view kJapaneseFaces[] = {
    u"ＭＳ Ｐゴシック",           u"MS PGothic",    u"Yu Gothic UI", u"Meiryo UI",    u"Meiryo",
    u"Hiragino Kaku Gothic ProN", u"Hiragino Sans", u"Osaka",        u"IPAPGothic",   u"IPAGothic",
    u"Noto Sans CJK JP",          u"Noto Sans JP",  u"VL PGothic",   u"TakaoPGothic",
};

// The list as CSS's font-family, ending in the browser's own sans-serif face.
inline std::u16string cssFontFamily()
{
    std::u16string family;
    for (const std::u16string_view face : kJapaneseFaces)
        family.append(u"\"").append(face).append(u"\", ");
    return family + u"sans-serif";
}

} // namespace platform::web
