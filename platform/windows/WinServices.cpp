#include "platform/windows/WinBackend.h"

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

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

void Backend::showMessageBox(const std::u16string &text, int style, const std::u16string &title)
{
    // The box belongs to the game's window, which is active again once it is closed.
    const HWND owner = win::windowOnScreen();
    MessageBoxW(owner, win::wide(text), win::wide(title), UINT(style) | MB_SETFOREGROUND);
    if (owner)
        SetForegroundWindow(owner);
}

void Backend::endProcess(int exitStatus)
{
    // Under Wine the sound server's thread of an open device may crash while the process ends
    // (a program that only plays a sound and exits shows it): the device goes first.
    closeAudio();
    // The C runtime of mingw-w64 has no quick_exit: _Exit is the same without its handlers.
    std::_Exit(exitStatus);
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
