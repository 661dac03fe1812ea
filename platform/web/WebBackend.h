#pragma once

// The browser backend's side of the platform's types, shared by its files. The
// page's own code (page/*.js, linked in as emscripten JavaScript libraries) makes
// the elements, takes the keys, clicks and menu choices, plays the cues and shows
// the message box; these files translate between it and the game, in pixels of
// the screen, with the page's elements known by number.

#include "platform/Backend.h"
#include "platform/web/TickSchedule.h"

#include <cstdint>
#include <functional>

struct platform::Container::Native {
    int element; // the page's element controls are made in
};

struct platform::Control::Impl {
    int element;
};

struct platform::Form::Impl {
    Form &form;
    int element;
};

struct platform::MenuItem::Impl {
    int entry; // the page's menu entry
};

struct platform::Timer::Impl {
    Timer &timer;
    web::TickSchedule schedule;
};

struct platform::Picture::Impl {
    Impl(int bitmap) : bitmap(bitmap) {}
    Impl(const Impl &) = delete;
    Impl &operator=(const Impl &) = delete;
    ~Impl();
    int bitmap; // the page's decoded picture
};

namespace platform::web {

// What the page sends the game, in the order it happened.
enum EventKind : std::int32_t {
    kKeyDown = 1, // target: the window; keyCode, modifiers, code
    kClick = 2,   // target: the button
    kMenu = 3,    // target: the menu entry chosen
    kBoxClosed = 4,
};

// Delivers the page's events and the timers' ticks, each when it came due and in that order,
// until `done` says so. While `modal` (a message box is up) only ticks and the closing of the
// box are taken; the rest waits. Sleeps meanwhile: the page runs on.
void runEventsUntil(const std::function<bool()> &done, bool modal);
// How many message boxes the player has closed.
int closedBoxes();

// The running timers, for the loop.
void addTimer(Timer::Impl &timer);
void removeTimer(Timer::Impl &timer);
// The running timer whose tick is due first, or nullptr.
Timer::Impl *firstDueTimer();

// Where the page's events go.
void addButton(int element, CommandButton &button);
void addMenuEntry(int entry, MenuItem &item);
void removeControl(int element);
void removeMenuEntry(int entry);
void setKeyTarget(Form::Impl *form);

// Milliseconds on the page's clock (performance.now()).
double now();

} // namespace platform::web

// The page's side, in page/*.js. Strings go as UTF-16, ending in 0.
extern "C" {
// Sleeps for ms (forever when negative) or until the page posts an event (if wakeOnEvents)
// or a sound ends. Only the game's own loop and waits call it, never an event of the page.
void ropi_sleep(double ms, int wakeOnEvents);
double ropi_event_next_time(int modal);
// The first event (kind, target, keyCode, modifiers; the key's code) into event and code.
int ropi_event_take(int modal, std::int32_t *event, char *code, int codeBytes);

int ropi_screen_width();
int ropi_screen_height();
double ropi_screen_dpi();

int ropi_form_create(const char16_t *caption, std::uint32_t backColor, const char16_t *faces);
// The client area below the window's menu bar.
int ropi_form_client(int form);
void ropi_form_place(int form, int x, int y, int width, int height);
void ropi_form_show(int form);

int ropi_frame_create(int parent, std::uint32_t backColor);
int ropi_label_create(int parent, std::uint32_t foreColor, double points);
int ropi_button_create(int parent, std::uint32_t backColor, double points, int italic);
int ropi_image_create(int parent);
void ropi_control_place(int element, int x, int y, int width, int height);
void ropi_control_visible(int element, int visible);
void ropi_control_order(int element, int toBack);
void ropi_control_remove(int element);
void ropi_label_caption(int element, const char16_t *caption);
void ropi_button_caption(int element, const char16_t *caption);
void ropi_button_enabled(int element, int enabled);
void ropi_image_picture(int element, int bitmap);

int ropi_picture_decode(const unsigned char *bytes, int length);
void ropi_picture_release(int bitmap);

int ropi_menu_add(int form, int parentEntry, const char16_t *caption, int checked);
void ropi_menu_checked(int entry, int checked);
void ropi_menu_remove(int entry);

void ropi_box_show(const char16_t *text, const char16_t *title, int icon);
void ropi_clipboard_write(const char16_t *text);

int ropi_file_fetch(const char16_t *name, double maxBytes);
void ropi_file_take(unsigned char *into);
}
