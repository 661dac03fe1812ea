#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Message box styles: the buttons (one of the first three), plus the icon of an error, a
// question or a piece of information.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNoCancel = 3,
    vbCritical = 16,
    vbQuestion = 32,
    vbInformation = 64,
};

// The button a message box was closed with.
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbYes = 6,
    vbNo = 7,
};

// Shows a modal box owned by the game's window and returns the button the player closed it
// with; the window is active again afterwards. The first button has the keyboard; Esc and
// the close box give Cancel, or OK where OK is the only button. An empty title gives the
// application title.
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

// The player's settings, kept between runs where the system keeps a program's settings, by the
// program's name, a section and a key. A store that cannot be written (a read-only home,
// storage a browser denies) keeps nothing and says nothing: the game goes on with what it
// holds in memory.
void SaveSetting(const std::u16string &appName, const std::u16string &section,
                 const std::u16string &key, const std::u16string &setting);
// The setting last saved, or defaultValue when there is none or it cannot be read.
std::u16string GetSetting(const std::u16string &appName, const std::u16string &section,
                          const std::u16string &key, const std::u16string &defaultValue = {});

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
