#include "platform/shared/Backend.h"

namespace platform {

std::span<const char16_t *const> Backend::japaneseFaces()
{
    // The first the machine has is used. A browser may run on any system, so the faces of
    // each are listed.
    static constexpr const char16_t *kFaces[] = {
        // The game's, then IPAPGothic, drawn to the same measures.
        u"ＭＳ Ｐゴシック", u"MS PGothic", u"IPAPGothic",
        // Windows'.
        u"Yu Gothic UI", u"Meiryo UI", u"Meiryo", u"MS UI Gothic", u"ＭＳ ゴシック", u"MS Gothic",
        // macOS's.
        u"Hiragino Kaku Gothic ProN", u"Hiragino Sans", u"Osaka",
        // Linux desktops' and ChromeOS's.
        u"IPAGothic", u"Noto Sans CJK JP", u"Noto Sans JP", u"VL PGothic", u"TakaoPGothic"};
    return kFaces;
}

} // namespace platform
