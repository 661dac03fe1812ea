#pragma once

// What the game and its page (page/*.js, linked into ropi.js) say to each other: the numbers
// they share and the page's functions that the game calls. This file is their one source: the
// build writes the numbers of its enums into the page's script, as RopiShared.kKeyDown and so
// on (so no two enums may share a name), and
// tests/web/test_page_interface.py checks that the page defines every function declared here,
// with as many arguments, and that the game defines what the page calls of it.

#include <cstdint>

namespace platform::web {

// What the page sends the game, in the order it happened.
enum EventKind : std::int32_t {
    kKeyDown = 1,   // target: the window; keyCode, modifiers, code
    kClick = 2,     // target: the button
    kMenu = 3,      // target: the menu entry chosen
    kBoxClosed = 4, // target: the answer (MsgBoxResult)
    kResize = 5,    // the screen has a new size: ropi_screen_width and ropi_screen_height tell it
};

// The modifiers of a key press, added together.
enum Modifier : std::int32_t {
    kShift = 1,
    kCtrl = 2,
    kAlt = 4,
};

// What the page answers instead of a file's length.
enum FileAnswer : std::int32_t {
    kMissing = -1,  // nothing of that name on the server
    kNotAFile = -2, // refused, empty or too large
};

} // namespace platform::web

// The page's side. Strings go as UTF-16, ending in 0.
extern "C" {
// Sleeps for ms (forever when negative) or until the page posts an event (if wakeOnEvents)
// or a sound ends. Only the game's own loop and waits call it, never an event of the page.
void ropi_sleep(double ms, int wakeOnEvents);
double ropi_event_next_time(int modal);
// The first event (kind, target, keyCode, modifiers; the key's code) into event and code.
int ropi_event_take(int modal, std::int32_t *event, char *code, int codeBytes);

// The page's keys go to the game from now on.
void ropi_keys_install();

// The screen the game lays itself out on, in pixels, and its dots per inch.
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
// The label's key caption as a touch player's button (platform/Controls.h, Label): the key's
// code and the button's words, and whether it is the largest; keyCode 0 for none.
void ropi_label_key(int element, int keyCode, const char16_t *words, int main);
void ropi_button_caption(int element, const char16_t *caption);
void ropi_button_enabled(int element, int enabled);
void ropi_image_picture(int element, int bitmap);

int ropi_picture_decode(const unsigned char *bytes, int length);
void ropi_picture_release(int bitmap);

int ropi_menu_add(int form, int parentEntry, const char16_t *caption, int checked);
void ropi_menu_checked(int entry, int checked);
void ropi_menu_enabled(int entry, int enabled);
void ropi_menu_remove(int entry);

// buttons: 0 OK, 1 OK and Cancel, 3 Yes, No and Cancel; the page posts kBoxClosed with the
// answer (MsgBoxResult) as its target.
void ropi_box_show(const char16_t *text, const char16_t *title, int icon, int buttons);
void ropi_clipboard_write(const char16_t *text);

// The player's settings in the page's localStorage, by name ("app/section/key"): the length
// of the value read into `into` (at most capacity characters), or -1 when there is none or
// storage is denied. Writing where storage is denied keeps nothing.
int ropi_setting_read(const char16_t *name, char16_t *into, int capacity);
void ropi_setting_write(const char16_t *name, const char16_t *value);

// The file's length, from the copy the page keeps, or kMissing or kNotAFile; its bytes then
// go into the game's memory by ropi_file_take.
int ropi_file_read(const char16_t *name, double maxBytes);
void ropi_file_take(unsigned char *into);

// The context's frames per second, or 0 when the browser gives no sound.
int ropi_audio_open();
void ropi_audio_close();
int ropi_audio_load(const std::int16_t *stereo, int frames);
void ropi_audio_unload(int buffer);
// Starts the buffer as a new voice, cutting off the one before; its number, or 0.
int ropi_audio_play(int buffer);
void ropi_audio_stop();

// Whether any of the game's timers runs.
void ropi_timers_running(int running);

// The game's side, which the page calls: a voice heard to its end.
void ropi_audio_ended(int voice);
}
