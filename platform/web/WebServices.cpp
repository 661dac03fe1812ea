#include "platform/web/WebBackend.h"

#include <emscripten/emscripten.h>

#include <cstdlib>

namespace platform {

int Backend::showMessageBox(const std::u16string &text, int style, const std::u16string &title)
{
    // A modal <dialog> of the page (page/box.js). Until the player closes it the game's loop
    // runs here, as in a desktop's modal box: the timers tick on behind it, while keys,
    // clicks and menu choices wait for the box to go.
    const int closedBefore = web::closedBoxes();
    ropi_box_show(text.c_str(), title.c_str(), style & 0x70, style & 0xF);
    web::runEventsUntil([closedBefore] { return web::closedBoxes() != closedBefore; }, true);
    return web::lastBoxAnswer();
}

namespace {

std::u16string settingName(const std::u16string &appName, const std::u16string &section,
                           const std::u16string &key)
{
    return appName + u'/' + section + u'/' + key;
}

} // namespace

void Backend::saveSetting(const std::u16string &appName, const std::u16string &section,
                          const std::u16string &key, const std::u16string &value)
{
    ropi_setting_write(settingName(appName, section, key).c_str(), value.c_str());
}

std::optional<std::u16string> Backend::loadSetting(const std::u16string &appName,
                                                   const std::u16string &section,
                                                   const std::u16string &key)
{
    // A setting is a short text: anything longer is not the game's.
    char16_t value[256] = {};
    const int length = ropi_setting_read(settingName(appName, section, key).c_str(), value, 255);
    if (length < 0)
        return std::nullopt;
    return std::u16string(value, std::size_t(length));
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
