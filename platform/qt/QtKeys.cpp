#include "platform/KeyCodes.h"
#include "platform/qt/QtBackend.h"

#include <QKeyEvent>

#include <chrono>
#include <optional>

namespace platform::qt {

namespace {

// X11 and Wayland number the keys of the main row 1, 2, ..., 9, 0 as key codes
// 10 to 19, whatever the layout puts on them.
constexpr quint32 kFirstDigitRowScanCode = 10;
constexpr quint32 kLastDigitRowScanCode = 19;

std::int16_t digitRowKey(const QKeyEvent &event)
{
#ifdef Q_OS_WIN
    const quint32 vk = event.nativeVirtualKey();
    if (vk >= vbKey0 && vk <= vbKey0 + 9)
        return static_cast<std::int16_t>(vk);
#else
    const quint32 scanCode = event.nativeScanCode();
    if (scanCode >= kFirstDigitRowScanCode && scanCode <= kLastDigitRowScanCode)
        return static_cast<std::int16_t>(vbKey0 + (scanCode - kFirstDigitRowScanCode + 1) % 10);
#endif
    return 0;
}

} // namespace

std::int16_t virtualKeyCode(const QKeyEvent &event)
{
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);

    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::int16_t>(keypad ? vbKeyNumpad0 + (key - Qt::Key_0) : key);
    if (!keypad) {
        if (const std::int16_t digit = digitRowKey(event))
            return digit;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::int16_t>(key); // Qt already names letters by their capital
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<std::int16_t>(vbKeyF1 + (key - Qt::Key_F1));

    switch (key) {
    case Qt::Key_Backspace: return vbKeyBack;
    case Qt::Key_Tab: return vbKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vbKeyReturn;
    case Qt::Key_Shift: return vbKeyShift;
    case Qt::Key_Control: return vbKeyControl;
    case Qt::Key_Alt: return vbKeyMenu;
    case Qt::Key_Escape: return vbKeyEscape;
    case Qt::Key_Space: return vbKeySpace;
    case Qt::Key_Left: return vbKeyLeft;
    case Qt::Key_Up: return vbKeyUp;
    case Qt::Key_Right: return vbKeyRight;
    case Qt::Key_Down: return vbKeyDown;
    default: return 0;
    }
}

double stampAge(const QKeyEvent &event)
{
    // The window system stamps its events in milliseconds of a clock of its own (an X server's,
    // a compositor's), 32 bits wide. The least gap seen between that clock and ours belongs to
    // an event that came at once; every event is read against it.
    static std::optional<std::uint32_t> leastGap;
    if (event.timestamp() == 0)
        return 0; // not stamped
    const auto ours = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
    const std::uint32_t gap = std::uint32_t(ours) - std::uint32_t(event.timestamp());
    if (!leastGap || std::int32_t(gap - *leastGap) < 0)
        leastGap = gap;
    return gap - *leastGap;
}

Backend::Modifiers heldModifiers(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
            modifiers.testFlag(Qt::AltModifier)};
}

} // namespace platform::qt
