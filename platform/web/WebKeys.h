#pragma once

#include "platform/shared/Backend.h"
#include "platform/web/Page.h"

#include <cstdint>
#include <string_view>

namespace platform::web {

// The virtual-key code of a key press from the browser's KeyboardEvent: its keyCode, which is
// Windows' own code of the key on the player's layout, and its code, the key's place on the
// keyboard. The digit keys of the main row count as their digit on any layout and with Shift
// held; while an input method has the keys (keyCode 229), and for a letter key to which the
// layout gives no Latin letter, the key's place says what it is. 0 for a key the game has no
// code for.
std::int16_t virtualKeyCode(int keyCode, std::string_view code);

// Shift, Ctrl and Alt, as the page says they were held with the key.
Backend::Modifiers heldModifiers(int pageModifiers);

} // namespace platform::web
