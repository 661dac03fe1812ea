#include "platform/web/WebBackend.h"

#include "platform/MediaFiles.h"
#include "platform/Screen.h"
#include "platform/web/JapaneseFaces.h"
#include "platform/web/WebFiles.h"

#include <string>

namespace platform {

Container::Container() = default;
Container::~Container() = default;

Form::Form(std::u16string caption, Color backColor, float clientLeft, float clientTop,
           float clientWidth, float clientHeight)
    : left_(clientLeft), top_(clientTop), width_(clientWidth), height_(clientHeight)
{
    const int element = ropi_form_create(caption.c_str(), backColor, web::cssFontFamily().c_str());
    impl_.reset(new Impl{*this, element});
    native_ = std::make_unique<Native>(Native{ropi_form_client(element)});
    web::setKeyTarget(impl_.get());
    showGeometry();
}

Form::~Form() { web::setKeyTarget(nullptr); }

void Form::Show() { ropi_form_show(impl_->element); }

void Form::showGeometry()
{
    // The outer size, menu bar included; the page has no frame or caption to take off.
    const PixelRect r = toPixelRect(left_, top_, width_, height_, Screen::TwipsPerPixel());
    ropi_form_place(impl_->element, r.x, r.y, r.width, r.height);
}

int run(std::unique_ptr<Form> (*createStartupForm)(), int, char **)
{
    // The picture and the cues lie beside the page on its server.
    media::setPlainFileReader(web::fetchPlainFile);
    std::unique_ptr<Form> form;
    guarded([&] {
        form = createStartupForm();
        form->Load();
        form->Show();
    });
    // The page has no close box: the game ends by its own End(), and the loop runs till then.
    web::runEventsUntil([] { return false; }, false);
    return 0;
}

// The page's viewport is the screen, measured once at load: the layout is the one the game
// made then, whatever the browser window does afterwards.
int Screen::widthInPixels() { return ropi_screen_width(); }
int Screen::heightInPixels() { return ropi_screen_height(); }
double Screen::logicalDotsPerInch() { return ropi_screen_dpi(); }

} // namespace platform
