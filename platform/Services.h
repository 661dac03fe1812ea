#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Message box styles: an OK button, and the icon of an error or of a piece of information.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbCritical = 16,
    vbInformation = 64,
};

// Shows a modal box owned by the game's window and returns when the player has
// closed it; the window is active again afterwards. An empty title gives the
// application title. Returns 1 (OK).
int MsgBox(const std::u16string &text, int style = vbOKOnly, const std::u16string &title = {});

// The system clipboard.
struct Clipboard {
    static void Clear();
    // Format 1 is plain text, the only one the game uses.
    static void SetText(const std::u16string &text, int format = 1);
};

// The project's facts: its title, the caption of boxes that have no title of their own and
// of the error report, and its version numbers.
struct App {
    static std::u16string_view Title();
    static std::int16_t Major();
    static std::int16_t Minor();
    static std::int16_t Revision();
};

// The random sequence: Rnd() is uniform in [0, 1). Randomize() re-seeds it
// from the clock; Randomize(seed) makes it repeatable, for tests.
void Randomize();
void Randomize(std::uint64_t seed);
double Rnd();

// Decimal text of a number with a sign position in front: " 10", " 0", "-10".
std::u16string Str(long number);
// Decimal text of a number without a sign position: "10", "0", "-10".
std::u16string CStr(long number);

} // namespace platform
