#pragma once

#include <cstdint>

class QKeyEvent;

namespace platform {

// Virtual-key codes, as the window's key handler receives them.
enum VirtualKey : std::int16_t {
    vbKeyBack = 8,
    vbKeyTab = 9,
    vbKeyReturn = 13,
    vbKeyShift = 16,
    vbKeyControl = 17,
    vbKeyMenu = 18,
    vbKeyEscape = 27,
    vbKeySpace = 32,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
    vbKey0 = 48,       // to vbKey0 + 9: the digit keys of the main row
    vbKeyA = 65,       // to vbKeyA + 25: letters, whatever Shift or Caps Lock say
    vbKeyNumpad0 = 96, // to vbKeyNumpad0 + 9
    vbKeyF1 = 112,     // to vbKeyF1 + 11
};

// The key code of a key press: letters by their upper-case letter, the digit
// keys of the main row as the digit also with Shift held (on X11, Shift+1
// reaches Qt as '!'), keypad digits as keypad codes. 0 for keys the game has no
// code for.
std::int16_t virtualKeyCode(const QKeyEvent &event);

// 1 for Shift, 2 for Ctrl, 4 for Alt, added together.
std::int16_t shiftState(const QKeyEvent &event);

} // namespace platform
