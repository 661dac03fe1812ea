#pragma once

// The browser backend's side of the platform's types, shared by its files. The
// page's own code (page/*.js, linked in as emscripten JavaScript libraries) makes
// the elements, takes the keys, clicks and menu choices, plays the cues and shows
// the message box; these files translate between it and the game, in pixels of
// the screen, with the page's elements known by number.

#include "platform/shared/Backend.h"
#include "platform/web/Page.h"
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

// Delivers the page's events and the timers' ticks, each when it came due and in that order,
// until `done` says so. While `modal` (a message box is up) only ticks and the closing of the
// box are taken; the rest waits. Sleeps meanwhile: the page runs on.
void runEventsUntil(const std::function<bool()> &done, bool modal);
// How many message boxes the player has closed, and the answer the last one gave.
int closedBoxes();
int lastBoxAnswer();

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
