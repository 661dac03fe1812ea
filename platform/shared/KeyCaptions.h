#pragma once

// The key captions of a window's labels (platform/Controls.h, Label) read as the keys a player
// without a keyboard needs: written once here, for every backend that offers such a player
// buttons (the browser's touch bar) and for the tests that run in every build.

#include "platform/Controls.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// A key caption: the key in its first brackets, and the words after "：".
struct KeyCaption {
    std::int16_t keyCode; // the key's code as the window's key handler receives it
    std::u16string words;
    bool operator==(const KeyCaption &) const = default;
};

// The caption's key, or nothing when the caption names no key.
std::optional<KeyCaption> keyCaption(std::u16string_view caption);

// A button for a player without a keyboard.
struct TouchKey {
    const Label *label;
    KeyCaption key;
    bool main; // the one drawn in a colour no other key caption has: the largest button
    bool operator==(const TouchKey &) const = default;
};

// The buttons the labels' key captions ask for, in the labels' order.
std::vector<TouchKey> touchKeys(std::span<const Label *const> labels);

} // namespace platform
