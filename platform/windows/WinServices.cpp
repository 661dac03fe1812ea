#include "platform/windows/WinBackend.h"

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// Time for the sound driver's threads to come to rest once the device has closed: ten times
// what sufficed beside busy loops.
constexpr DWORD kSettleMilliseconds = 100;

// Another program may hold the clipboard for a moment.
bool openClipboard()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(win::windowOnScreen()))
            return true;
        Sleep(5);
    }
    return false;
}

} // namespace

int Backend::showMessageBox(const std::u16string &text, int style, const std::u16string &title)
{
    // The box belongs to the game's window, which is active again once it is closed. Its
    // buttons answer IDOK, IDCANCEL, IDYES and IDNO, which are the game's own numbers.
    const HWND owner = win::windowOnScreen();
    const int chosen =
        MessageBoxW(owner, win::wide(text), win::wide(title), UINT(style) | MB_SETFOREGROUND);
    if (owner)
        SetForegroundWindow(owner);
    return chosen;
}

namespace {

// Where Windows keeps the settings of a program that has no installer's key of its own, as
// Visual Basic's runtime does: HKEY_CURRENT_USER\Software\VB and VBA Program Settings.
std::u16string settingsKey(const std::u16string &appName, const std::u16string &section)
{
    return u"Software\\VB and VBA Program Settings\\" + appName + u"\\" + section;
}

} // namespace

void Backend::saveSetting(const std::u16string &appName, const std::u16string &section,
                          const std::u16string &key, const std::u16string &value)
{
    HKEY opened;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, win::wide(settingsKey(appName, section)), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(opened, win::wide(key), 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(char16_t)));
    RegCloseKey(opened);
}

std::optional<std::u16string> Backend::loadSetting(const std::u16string &appName,
                                                   const std::u16string &section,
                                                   const std::u16string &key)
{
    // A setting is a short text: anything longer is not the game's.
    char16_t value[256] = {};
    DWORD bytes = sizeof value - sizeof(char16_t);
    if (RegGetValueW(HKEY_CURRENT_USER, win::wide(settingsKey(appName, section)), win::wide(key),
                     RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::u16string(value);
}

void Backend::endProcess(int exitStatus)
{
    // The sound stops at once, and the device lets go of its stream as for any program that
    // closes it.
    closeAudio();
    // Under Wine, ending a process stops each of its other threads with a signal, and a thread
    // stopped in the middle of a system call's way in or out dies of a segmentation fault, which
    // then ends the process instead of its status. Just after the device has closed, the sound
    // driver's threads are still on that way (one answering the close, the stream's own
    // thread ending): a little program that plays, closes its device and ends died so 3 times
    // in 1500 beside busy loops; given a few milliseconds first, none in 2700.
    Sleep(kSettleMilliseconds);
    // Then the process ends here and now: no DLL is told (which under Wine would disconnect
    // from the sound server while those threads are being stopped), and nothing is left to
    // write: End flushed the C runtime's streams, and the clipboard's text is the system's.
    TerminateProcess(GetCurrentProcess(), UINT(exitStatus));
    std::_Exit(exitStatus); // only should the system refuse
}

void Backend::clearClipboard()
{
    if (!openClipboard())
        return;
    EmptyClipboard();
    CloseClipboard();
}

void Backend::setClipboardText(const std::u16string &text)
{
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        throw std::bad_alloc();
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!openClipboard()) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, memory))
        GlobalFree(memory);
    CloseClipboard();
}

} // namespace platform
