#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/web/WebBackend.h"

namespace platform {

int MsgBox(const std::u16string &text, int style, const std::u16string &title)
{
    // A modal <dialog> of the page (page/box.js). Until the player closes it the game's loop
    // runs here, as in a desktop's modal box: the timers tick on behind it, while keys,
    // clicks and menu choices wait for the box to go.
    const std::u16string caption = title.empty() ? std::u16string(kAppTitle) : title;
    const int closedBefore = web::closedBoxes();
    ropi_box_show(text.c_str(), caption.c_str(), style & 0x70);
    web::runEventsUntil([closedBefore] { return web::closedBoxes() != closedBefore; }, true);
    return 1;
}

void Clipboard::Clear() { ropi_clipboard_write(u""); }

void Clipboard::SetText(const std::u16string &text, int) { ropi_clipboard_write(text.c_str()); }

} // namespace platform
