#include "platform/web/WebBackend.h"

#include "platform/MediaFiles.h"
#include "platform/Screen.h"
#include "platform/web/WebFiles.h"

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

Container::Container() = default;
Container::~Container() = default;

Form::Form(std::u16string caption, Color backColor, float clientLeft, float clientTop,
           float clientWidth, float clientHeight)
    : left_(clientLeft), top_(clientTop), width_(clientWidth), height_(clientHeight)
{
    const int element = ropi_form_create(caption.c_str(), backColor, cssFontFamily().c_str());
    impl_.reset(new Impl{*this, element});
    native_ = std::make_unique<Native>(Native{ropi_form_client(element)});
    web::setKeyTarget(impl_.get());
    Backend::showGeometry(*this);
}

Form::~Form() { web::setKeyTarget(nullptr); }

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
    // The picture and the cues lie beside the page on its server.
    media::setPlainFileReader(web::fetchPlainFile);
    const std::unique_ptr<Form> form = startup();
    // The page has no close box: the game ends by its own End(), and the loop runs till then.
    web::runEventsUntil([] { return false; }, false);
    return 0;
}

// The page's viewport is the screen, measured once at load: the layout is the one the game
// made then, whatever the browser window does afterwards.
int Backend::screenWidthInPixels() { return ropi_screen_width(); }
int Backend::screenHeightInPixels() { return ropi_screen_height(); }
double Backend::screenDotsPerInch() { return ropi_screen_dpi(); }

} // namespace platform
