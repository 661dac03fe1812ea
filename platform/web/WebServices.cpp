#include "platform/web/WebBackend.h"

#include <emscripten/emscripten.h>

#include <cstdlib>

namespace platform {

void Backend::showMessageBox(const std::u16string &text, int style, const std::u16string &title)
{
    // A modal <dialog> of the page (page/box.js). Until the player closes it the game's loop
    // runs here, as in a desktop's modal box: the timers tick on behind it, while keys,
    // clicks and menu choices wait for the box to go.
    const int closedBefore = web::closedBoxes();
    ropi_box_show(text.c_str(), title.c_str(), style & 0x70);
    web::runEventsUntil([closedBefore] { return web::closedBoxes() != closedBefore; }, true);
}

void Backend::endProcess(int exitStatus)
{
    // A page has no process to end: the program stops here, and the page, told the status
    // (Module.onExit), takes the game off and says that it ended.
    emscripten_force_exit(exitStatus);
    std::abort(); // never reached
}

void Backend::clearClipboard() { ropi_clipboard_write(u""); }

void Backend::setClipboardText(const std::u16string &text) { ropi_clipboard_write(text.c_str()); }

} // namespace platform
