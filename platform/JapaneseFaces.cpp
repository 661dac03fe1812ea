#include "platform/Backend.h"

namespace platform {

std::span<const char16_t *const> Backend::japaneseFaces()
{
    // IPAPGothic is drawn to the same measures as ＭＳ Ｐゴシック; the faces that
    // Windows ships come next, then those of Linux desktops.
    static constexpr const char16_t *kFaces[] = {
        u"ＭＳ Ｐゴシック",  u"MS PGothic",   u"IPAPGothic",    u"Yu Gothic UI", u"Meiryo UI",
        u"Meiryo",           u"MS UI Gothic", u"ＭＳ ゴシック", u"MS Gothic",    u"IPAGothic",
        u"Noto Sans CJK JP", u"VL PGothic",   u"TakaoPGothic"};
    return kFaces;
}

} // namespace platform
