#pragma once

// The Win32 backend's side of the platform's types, shared by its files.

#include "platform/shared/Backend.h"
#include "platform/shared/ScaledPicture.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

struct platform::Container::Native {
    HWND hwnd;        // the window controls are made in
    HBRUSH fill;      // its colour, which labels on it show through
    Form::Impl &form; // the window it belongs to
    // Painted on this surface beneath its child windows, in the order made.
    std::vector<Control *> images{};
};

namespace platform::win {

struct DeleteBitmap {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteBitmap>;

} // namespace platform::win

struct platform::Control::Impl {
    ~Impl();

    Control &control;
    Container::Native &container;
    HWND hwnd = nullptr;    // none for an Image: its container paints it on its own surface
    RECT rect{};            // in the container's client area, in pixels
    HFONT font = nullptr;   // owned
    HBRUSH face = nullptr;  // owned: a button's face
    COLORREF textColor = 0; // a label's
    ScaledPicture<win::Bitmap> scaled{}; // an Image's
};

struct platform::Form::Impl {
    ~Impl();
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    Form &form;
    HWND hwnd = nullptr;
    HMENU menuBar = nullptr;
    HBRUSH fill = nullptr;
    std::vector<Control *> focusable{};     // what Tab can give the focus to
    std::map<UINT, MenuItem *> menuItems{}; // by command id
    UINT nextMenuId = 100;
    HWND focusBeforeLeaving = nullptr; // the control that had the focus when the window lost it
};

struct platform::MenuItem::Impl {
    Form::Impl &form;
    HMENU owner; // the bar or the drop-down that holds the entry
    UINT id;
    HMENU popup = nullptr; // once items are made inside it
};

struct platform::Timer::Impl {
    Timer &timer;
    HWND window;
    HANDLE waitable;
    HANDLE quit;
    std::mutex mutex{};
    bool running = false;
    bool posted = false;   // a tick is in the window's queue
    WPARAM generation = 0; // ticks posted before a restart or a stop are dropped
    std::thread thread{};  // waits on the timer and posts its ticks to the window
};

struct platform::Picture::Impl {
    UINT width, height;
    std::vector<BYTE> pixels; // 32-bit BGRA, premultiplied, top row first
};

namespace platform::win {

// Messages the backend posts to the game's window.
constexpr UINT kTickMessage = WM_APP + 1;

inline const wchar_t *wide(const std::u16string &text)
{
    return reinterpret_cast<const wchar_t *>(text.c_str());
}
inline COLORREF fromBgr(Color bgr) { return COLORREF(bgr & 0xFFFFFF); } // the same layout

// The game's face in the given size: "ＭＳ Ｐゴシック", or a Japanese Gothic face that
// Windows ships where it lacks that one.
HFONT japaneseFont(double points, bool italic = false);
double dotsPerInch();

// What the form's and the frame's window procedures share: their colour and their
// Images, the clicks and drawing of buttons on them and the colours of labels.
bool handleContainerMessage(const Container::Native &container, UINT message, WPARAM wParam,
                            LPARAM lParam, LRESULT &result);
// Runs a tick that the timer's thread posted to the window.
void deliverTick(Timer::Impl &timer, WPARAM generation);
// Paints the Images of a container on its surface, in the given device context.
void paintImages(const Container::Native &container, HDC dc, const RECT &dirty);

// The game's window on screen, which owns every message box; none before it is shown.
HWND windowOnScreen();

// winmm's waveOut as the sound driver calls it. A test may put a device of its own in its
// place, to see what the driver makes of what a real one may do.
struct WaveOut {
    decltype(&::waveOutOpen) open = ::waveOutOpen;
    decltype(&::waveOutClose) close = ::waveOutClose;
    decltype(&::waveOutPrepareHeader) prepare = ::waveOutPrepareHeader;
    decltype(&::waveOutUnprepareHeader) unprepare = ::waveOutUnprepareHeader;
    decltype(&::waveOutWrite) write = ::waveOutWrite;
    decltype(&::waveOutReset) reset = ::waveOutReset;
    decltype(&::waveOutGetPosition) position = ::waveOutGetPosition;
};
extern WaveOut waveOut;

} // namespace platform::win
