#pragma once

// What every desktop backend promises the game, checked once for all of them: each backend's
// suite calls these with what only it knows how to do (run its queue, read its menus, press a
// key as its system delivers one). Each returns what went wrong, in words; empty when the
// backend keeps its promises.

#include <functional>
#include <string>

class Form1;

namespace platform {
class Form;
class MenuItem;
} // namespace platform

namespace promises {

struct System {
    // Handles what is queued for the window now, as the window's loop would.
    std::function<void()> handleQueued;
    // The entry chosen, as with a click.
    std::function<void(platform::MenuItem &)> choose;
    // What the menu shows of the entry.
    std::function<bool(const platform::MenuItem &)> marked, greyed;
};

// A menu choice never toggles its entry's mark, and a disabled entry is greyed.
std::string menuFaults(platform::Form &window, const System &system);
// A tick that fell due while the window was busy comes once, an Interval of 0 never ticks, a
// new period counts from its change, and a disabled timer is quiet.
std::string timerFaults(platform::Form &window, const System &system);
// The menu bar has access keys only for 終了 and バージョン: Alt with any of the game's keys
// reaches the game, pressed as the system delivers it.
std::string altKeyFaults(Form1 &game, const std::function<void(char key)> &pressWithAlt);
// The game's files are read whole when they are plain files of a bounded size, and never a
// missing one, a folder, an empty or too large one, or a FIFO.
std::string fileFaults();
// The cat is read, and a picture only the decoder can refuse (a GIF broken after its header,
// or one that would take more memory than a picture may) is the invalid picture, as is a FIFO.
std::string pictureFaults();

} // namespace promises
