#include "platform/web/WebBackend.h"

#include "platform/Screen.h"

#include <string>

namespace platform {

namespace {

// The game's faces, best first, as CSS's font-family, ending in the browser's own sans-serif
// face.
std::u16string cssFontFamily()
{
    std::u16string family;
    for (const char16_t *face : Backend::japaneseFaces())
        family.append(u"\"").append(face).append(u"\", ");
    return family + u"sans-serif";
}

} // namespace

void Backend::end(Container::Native *native) { delete native; }

void Backend::make(Form &form, const std::u16string &caption, Color backColor)
{
    const int element = ropi_form_create(caption.c_str(), backColor, cssFontFamily().c_str());
    form.impl_.reset(new Form::Impl{form, element});
    form.native_.reset(new Container::Native{ropi_form_client(element)});
    web::setKeyTarget(form.impl_.get());
}

void Backend::end(Form::Impl *impl)
{
    web::setKeyTarget(nullptr);
    delete impl;
}

void Backend::show(Form &form) { ropi_form_show(impl(form).element); }

void Backend::showGeometry(Form &form)
{
    // The outer size, menu bar included; the page has no frame or caption to take off.
    const PixelRect r =
        toPixelRect(form.Left(), form.Top(), form.Width(), form.Height(), Screen::TwipsPerPixel());
    ropi_form_place(impl(form).element, r.x, r.y, r.width, r.height);
}

int Backend::runEventLoop(int, char **, const std::function<std::unique_ptr<Form>()> &startup)
{
    ropi_keys_install();
    const std::unique_ptr<Form> form = startup();
    // The page has no close box: the game ends by its own End(), and the loop runs till then.
    web::runEventsUntil([] { return false; }, false);
    return 0;
}

// The page's viewport is the screen, measured once at load: the layout is the one the game
// made then, whatever the browser window does afterwards. Played by touch, the screen is what
// the page leaves the game beside its touch bar, measured again when the device turns
// (kResize).
int Backend::screenWidthInPixels() { return ropi_screen_width(); }
int Backend::screenHeightInPixels() { return ropi_screen_height(); }
double Backend::screenDotsPerInch() { return ropi_screen_dpi(); }

} // namespace platform
