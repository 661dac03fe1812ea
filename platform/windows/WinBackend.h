#pragma once

// The Win32 backend's side of the platform's types, shared by its files.

#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/MenuItem.h"
#include "platform/Timer.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct platform::Container::Native {
    HWND hwnd;        // the window controls are made in
    HBRUSH fill;      // its colour, which labels on it show through
    Form::Impl &form; // the window it belongs to
};

struct platform::Control::Impl {
    ~Impl();

    HWND hwnd = nullptr; // none for an Image: the window paints it on its own surface
    HWND parent = nullptr;
    RECT rect{};            // in the parent's client area, in pixels
    HFONT font = nullptr;   // owned
    HBRUSH face = nullptr;  // owned: a button's face
    COLORREF textColor = 0; // a label's
    Control *control = nullptr;
    // An Image's picture at the control's size, made once per size or picture.
    HBITMAP scaled = nullptr;
    SIZE scaledSize{};
};

struct platform::Form::Impl {
    ~Impl();
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    Form &form;
    HWND hwnd = nullptr;
    HMENU menuBar = nullptr;
    HBRUSH fill = nullptr;
    std::vector<Control *> images{};        // painted on the client area, in the order made
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

// What the form's and the frame's window procedures share: clicks of buttons, the
// drawing of buttons and the colours of labels on the container.
bool handleChildMessage(HBRUSH fill, UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result);
// Runs a tick that the timer's thread posted to the window.
void deliverTick(Timer::Impl &timer, WPARAM generation);
// Paints the Images of the form in the given device context.
void paintImages(const Form::Impl &form, HDC dc, const RECT &dirty);

// The game's window on screen, which owns every message box; none before it is shown.
HWND windowOnScreen();

} // namespace platform::win
