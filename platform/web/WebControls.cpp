#include "platform/web/WebBackend.h"

// Each control is an element of the page, placed in pixels of the screen (the
// page turns them into CSS pixels at its devicePixelRatio); its look is the
// page's stylesheet's.
namespace platform {

Control::Control(float left, float top, float width, float height)
    : left_(left), top_(top), width_(width), height_(height)
{
}

Control::~Control()
{
    if (!impl_)
        return;
    web::removeControl(impl_->element);
    ropi_control_remove(impl_->element);
}

void Backend::showGeometry(Control &control, const PixelRect &pixels)
{
    ropi_control_place(impl(control).element, pixels.x, pixels.y, pixels.width, pixels.height);
}

void Backend::showVisible(Control &control)
{
    ropi_control_visible(impl(control).element, control.Visible());
}

void Backend::bringToFront(Control &control) { ropi_control_order(impl(control).element, false); }

void Backend::sendToBack(Control &control) { ropi_control_order(impl(control).element, true); }

Frame::Frame(Container &parent, Color backColor, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    const int element = ropi_frame_create(Backend::native(parent).element, backColor);
    impl_.reset(new Impl{element});
    native_ = std::make_unique<Native>(Native{element});
    Backend::place(*this);
}

Label::Label(Container &parent, std::u16string caption, Color foreColor, double fontPoints,
             float left, float top, float width, float height)
    : Control(left, top, width, height), caption_(std::move(caption))
{
    impl_.reset(
        new Impl{ropi_label_create(Backend::native(parent).element, foreColor, fontPoints)});
    Backend::showCaption(*this);
    Backend::place(*this);
}

void Backend::showCaption(Label &label)
{
    ropi_label_caption(impl(label).element, label.Caption().c_str());
}

CommandButton::CommandButton(Container &parent, Color backColor, double fontPoints, bool italic,
                             float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    impl_.reset(new Impl{
        ropi_button_create(Backend::native(parent).element, backColor, fontPoints, italic)});
    web::addButton(impl_->element, *this);
    Backend::place(*this);
}

void Backend::showCaption(CommandButton &button)
{
    ropi_button_caption(impl(button).element, button.Caption().c_str());
}

void Backend::showEnabled(CommandButton &button)
{
    ropi_button_enabled(impl(button).element, button.Enabled());
}

Image::Image(Container &parent, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    impl_.reset(new Impl{ropi_image_create(Backend::native(parent).element)});
    Backend::place(*this);
}

// The page's canvas keeps the picture drawn at the control's size, and draws it again only
// when the size or the picture changes (page/window.js).
void Backend::showPicture(Image &image)
{
    const Picture::Impl *picture = impl(image.picture());
    ropi_image_picture(impl(image).element, picture ? picture->bitmap : 0);
}

Picture::Impl::~Impl() { ropi_picture_release(bitmap); }

std::shared_ptr<const Picture::Impl> Backend::decodeGif(const media::Bytes &bytes)
{
    // The browser decodes it (its first picture), while the page runs on.
    const int bitmap = ropi_picture_decode(bytes.data(), int(bytes.size()));
    if (bitmap == 0)
        return nullptr;
    return std::make_shared<const Picture::Impl>(bitmap);
}

} // namespace platform
