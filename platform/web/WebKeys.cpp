#include "platform/web/WebKeys.h"

#include "platform/KeyCodes.h"

namespace platform::web {

namespace {

// What an input method reports for every key while it composes.
constexpr int kComposing = 229;

// The n in codes like "Digit7", "KeyF" or "Numpad3" of the given kind, or -1.
int numbered(std::string_view code, std::string_view kind, char first, char last)
{
    if (code.size() != kind.size() + 1 || code.substr(0, kind.size()) != kind)
        return -1;
    const char c = code.back();
    return c >= first && c <= last ? c - first : -1;
}

// The key at a place on the keyboard, for when the browser gives no usable key code.
std::int16_t byPlace(std::string_view code)
{
    if (const int letter = numbered(code, "Key", 'A', 'Z'); letter >= 0)
        return static_cast<std::int16_t>(vbKeyA + letter);
    if (const int digit = numbered(code, "Numpad", '0', '9'); digit >= 0)
        return static_cast<std::int16_t>(vbKeyNumpad0 + digit);
    if (code == "Space")
        return vbKeySpace;
    if (code == "Enter" || code == "NumpadEnter")
        return vbKeyReturn;
    if (code == "Escape")
        return vbKeyEscape;
    if (code == "Tab")
        return vbKeyTab;
    if (code == "Backspace")
        return vbKeyBack;
    return 0;
}

} // namespace

std::int16_t virtualKeyCode(int keyCode, std::string_view code)
{
    // On AZERTY the digits are the shifted characters of the main row; the keys still count
    // as the digits, as on the desktop.
    if (const int digit = numbered(code, "Digit", '0', '9'); digit >= 0)
        return static_cast<std::int16_t>(vbKey0 + digit);
    if (keyCode == kComposing || keyCode <= 0 || keyCode > 0xFE)
        return byPlace(code);
    // A letter key for which a layout without Latin letters gives the browser no letter.
    const bool letterCode = keyCode >= vbKeyA && keyCode < vbKeyA + 26;
    if (!letterCode && numbered(code, "Key", 'A', 'Z') >= 0)
        return byPlace(code);
    return static_cast<std::int16_t>(keyCode);
}

Backend::Modifiers heldModifiers(int pageModifiers)
{
    return {(pageModifiers & kShift) != 0, (pageModifiers & kCtrl) != 0,
            (pageModifiers & kAlt) != 0};
}

} // namespace platform::web
