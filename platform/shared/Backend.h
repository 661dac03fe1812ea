#pragma once

// What a backend provides: the one list of what the game's window, controls, menus,
// timers, files, services and sound need from the system. The game never includes
// this header. The platform's shared code calls these members, and each backend
// defines every one of them as a thin translation to its system: platform/windows/
// and platform/web/ alone, and on the desktop platform/qt/ with its sound driver in
// platform/sdl/ (openAudio to sleepForSound).
//
// Besides the members of Backend listed under "Provided by the backend", a
// backend defines its own objects behind the game's: the Native of Container and
// the Impl of Control, Form, MenuItem, Timer, Picture and audio::Sound.

#include "platform/Controls.h"
#include "platform/Form.h"
#include "platform/MenuItem.h"
#include "platform/Screen.h"
#include "platform/Timer.h"
#include "platform/shared/AudioDevice.h"
#include "platform/shared/MediaFiles.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

namespace platform {

struct Backend {
    // ---- Provided by the backend ----

    // Sets up the system for the run, makes the start-up window with startup(), then
    // delivers events until the program ends and returns its exit status. The window
    // lives until then.
    static int runEventLoop(int argc, char **argv,
                            const std::function<std::unique_ptr<Form>()> &startup);
    // Ends the program with the status at once: no event, timer or destructor of the game runs
    // afterwards.
    [[noreturn]] static void endProcess(int exitStatus);

    // The backend's objects behind the game's (its impl_ and a container's native_), made once
    // the game's object holds its own values, and ended with it.
    static void make(Form &form, const std::u16string &caption, Color backColor);
    static void make(Frame &frame, Container &parent, Color backColor);
    static void make(Label &label, Container &parent, Color foreColor, double fontPoints);
    static void make(CommandButton &button, Container &parent, Color backColor, double fontPoints,
                     bool italic);
    static void make(Image &image, Container &parent);
    static void make(MenuItem &item, Form &form);     // on the bar
    static void make(MenuItem &item, MenuItem &menu); // inside its drop-down or submenu
    static void make(Timer &timer, Form &form);
    static void end(Container::Native *native);
    static void end(Control::Impl *impl);
    static void end(Form::Impl *impl);
    static void end(MenuItem::Impl *impl);
    static void end(Timer::Impl *impl);

    // The window: shows it, and gives it the outer size that Move() set, frame included.
    static void show(Form &form);
    static void showGeometry(Form &form);

    // Each control puts on screen what the shared code has just set.
    static void showGeometry(Control &control, const PixelRect &pixels);
    static void showVisible(Control &control);
    static void bringToFront(Control &control);
    static void sendToBack(Control &control);
    static void showCaption(Label &label);
    static void showCaption(CommandButton &button);
    static void showEnabled(CommandButton &button);
    static void showPicture(Image &image);
    // The picture in a GIF file's bytes that passed the file checks; none when the
    // decoder refuses it.
    static std::shared_ptr<const Picture::Impl> decodeGif(const media::Bytes &bytes);

    static void showChecked(MenuItem &item);
    static void showEnabled(MenuItem &item);

    // Ticks every period from now on, until stopped.
    static void startTicking(Timer &timer, int milliseconds);
    static void stopTicking(Timer &timer);
    static bool isTicking(const Timer &timer);

    // The primary screen in pixels, and its logical dots per inch (0 when it does not say).
    static int screenWidthInPixels();
    static int screenHeightInPixels();
    static double screenDotsPerInch();

    // A modal box owned by the game's window, which is active again once it is closed; the
    // button it was closed with (MsgBoxResult).
    static int showMessageBox(const std::u16string &text, int style, const std::u16string &title);
    static void clearClipboard();
    static void setClipboardText(const std::u16string &text);

    // The player's settings where the system keeps a program's: nothing when there is none.
    // Saving where nothing can be written keeps nothing, silently.
    static void saveSetting(const std::u16string &appName, const std::u16string &section,
                            const std::u16string &key, const std::u16string &value);
    static std::optional<std::u16string> loadSetting(const std::u16string &appName,
                                                     const std::u16string &section,
                                                     const std::u16string &key);

    // A file of the game's folder by its name (relative to the current directory on a desktop).
    // Only a plain file of at most maxBytes is read: opening a FIFO would wait for a writer,
    // and a device may never end. Nothing there is Missing; anything else that cannot be
    // read whole, an empty file and one over maxBytes are NotAFile.
    static media::FileContents readFile(const std::u16string &fileName, std::uint64_t maxBytes);

    // The sound driver: the run's one audio device, one sound at a time. AudioDevice.cpp
    // keeps its books and never holds a lock of its own while it calls these, so a driver
    // may report an ending from inside any of them.
    static bool openAudio(); // false without a device: every sound is then silent
    static void closeAudio();
    // Bytes per second of sound in the device's own format.
    static double audioBytesPerSecond();
    // The cue in a WAV file's bytes, whose format has been checked, ready to play; nullptr
    // when the device cannot take it.
    static audio::Sound *loadSound(const media::WavFormat &format, const media::Bytes &wav);
    static void unloadSound(audio::Sound *sound); // only once it is silent
    static audio::Clock::duration soundLength(const audio::Sound *sound);
    // Plays the sound from its beginning on a silent device; false when it did not start.
    static bool startSound(audio::Sound *sound);
    // Cuts off whatever sounds. Once it returns, no ending of that sound is reported.
    static void stopSound();
    // True until the sound last started has played to its end.
    static bool isSoundPlaying(const audio::Sound *sound);
    // Sleeps until the driver may have reported an ending, or until the deadline, with the
    // books' lock let go meanwhile. A driver that reports from a thread of its own waits for
    // the books to notify `counted`; the browser's reports while the game sleeps.
    static void sleepForSound(std::condition_variable &counted, std::unique_lock<std::mutex> &books,
                              audio::Clock::time_point deadline);

    // ---- Given to every backend by the shared code ----

    // The backend's objects behind the game's.
    static Container::Native &native(const Container &container) { return *container.native_; }
    static Control::Impl &impl(const Control &control) { return *control.impl_; }
    static Form::Impl &impl(const Form &form) { return *form.impl_; }
    static MenuItem::Impl &impl(const MenuItem &item) { return *item.impl_; }
    static Timer::Impl &impl(const Timer &timer) { return *timer.impl_; }
    static const Picture::Impl *impl(const Picture &picture) { return picture.impl_.get(); }
    // Puts a control where its twips say, through showGeometry.
    static void place(Control &control);

    // The modifier keys held with a key press.
    struct Modifiers {
        bool shift, ctrl, alt;
    };
    // Hands a key press that reaches the window to the game's key handler, as pressed at that
    // moment (the system's stamp of it).
    static void keyDown(Form &form, std::int16_t keyCode, Modifiers held,
                        audio::Clock::time_point pressedAt);
    // The moment a stamp that many milliseconds old was taken: a system's stamp of a key press
    // is trusted for up to a few seconds back, never ahead of now.
    static audio::Clock::time_point stampedAgo(double milliseconds);
    // Tells the game's window that the screen has a new size.
    static void screenResized(Form &form);

    // The driver reports that the sound on the device played to its end: from any thread,
    // at most once for each sound, and never once stopSound() has cut it off.
    static void soundEnded();

    // The game's face, "ＭＳ Ｐゴシック", then the faces nearest to it, best first.
    static std::span<const char16_t *const> japaneseFaces();
};

} // namespace platform
