#include "platform/shared/KeyCaptions.h"

#include "platform/KeyCodes.h"

#include <algorithm>

namespace platform {

namespace {

std::u16string_view trimmed(std::u16string_view text)
{
    const auto blank = [](char16_t c) { return c == u' ' || c == u'　'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A key's name as ASCII: full-width letters and digits read as themselves, as a Japanese input
// method writes them.
std::u16string narrowed(std::u16string_view name)
{
    std::u16string ascii;
    for (const char16_t c : name)
        ascii += c >= u'！' && c <= u'～' ? char16_t(c - u'！' + u'!') : c;
    return ascii;
}

// A key by the name a caption gives it: a letter, a digit of the main row, Space or Enter.
std::int16_t keyNamed(const std::u16string &name)
{
    if (name.size() == 1 && name[0] >= u'A' && name[0] <= u'Z')
        return std::int16_t(vbKeyA + (name[0] - u'A'));
    if (name.size() == 1 && name[0] >= u'0' && name[0] <= u'9')
        return std::int16_t(vbKey0 + (name[0] - u'0'));
    if (name == u"Space")
        return vbKeySpace;
    if (name == u"Enter")
        return vbKeyReturn;
    return 0;
}

} // namespace

std::optional<KeyCaption> keyCaption(std::u16string_view caption)
{
    const std::u16string text = narrowed(trimmed(caption));
    const auto close = text.find(u']');
    const auto colon = caption.find(u'：');
    if (text.empty() || text[0] != u'[' || close == std::u16string::npos ||
        colon == std::u16string_view::npos)
        return std::nullopt;
    const std::int16_t key =
        keyNamed(std::u16string(trimmed(std::u16string_view(text).substr(1, close - 1))));
    const std::u16string_view words = trimmed(caption.substr(colon + 1));
    if (!key || words.empty())
        return std::nullopt;
    return KeyCaption{key, std::u16string(words)};
}

std::vector<TouchKey> touchKeys(std::span<const Label *const> labels)
{
    std::vector<TouchKey> keys;
    for (const Label *label : labels)
        if (const auto key = keyCaption(label->Caption()))
            keys.push_back({label, *key, false});
    // With only one or two keys there is nothing to single out.
    if (keys.size() > 2)
        for (TouchKey &key : keys)
            if (std::count_if(keys.begin(), keys.end(), [&key](const TouchKey &other) {
                    return other.label->ForeColor() == key.label->ForeColor();
                }) == 1) {
                key.main = true;
                break;
            }
    return keys;
}

} // namespace platform
