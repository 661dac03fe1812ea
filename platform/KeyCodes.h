#pragma once

#include <cstdint>

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

// The Shift argument of a key press: these added together.
enum ShiftMask : std::int16_t {
    vbShiftMask = 1,
    vbCtrlMask = 2,
    vbAltMask = 4,
};

} // namespace platform
