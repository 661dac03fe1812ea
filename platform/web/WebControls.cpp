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

void Control::showGeometry(int x, int y, int width, int height)
{
    ropi_control_place(impl_->element, x, y, width, height);
}

void Control::showVisible() { ropi_control_visible(impl_->element, visible_); }

void Control::ZOrder(int position) { ropi_control_order(impl_->element, position != 0); }

Frame::Frame(Container &parent, Color backColor, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    const int element = ropi_frame_create(parent.native().element, backColor);
    impl_.reset(new Impl{element});
    native_ = std::make_unique<Native>(Native{element});
    place();
}

Label::Label(Container &parent, std::u16string caption, Color foreColor, double fontPoints,
             float left, float top, float width, float height)
    : Control(left, top, width, height), caption_(std::move(caption))
{
    impl_.reset(new Impl{ropi_label_create(parent.native().element, foreColor, fontPoints)});
    showCaption();
    place();
}

void Label::showCaption() { ropi_label_caption(impl_->element, caption_.c_str()); }

CommandButton::CommandButton(Container &parent, Color backColor, double fontPoints, bool italic,
                             float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    impl_.reset(
        new Impl{ropi_button_create(parent.native().element, backColor, fontPoints, italic)});
    web::addButton(impl_->element, *this);
    place();
}

void CommandButton::showCaption() { ropi_button_caption(impl_->element, caption_.c_str()); }

void CommandButton::showEnabled() { ropi_button_enabled(impl_->element, enabled_); }

Image::Image(Container &parent, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    impl_.reset(new Impl{ropi_image_create(parent.native().element)});
    place();
}

void Image::showPicture()
{
    ropi_image_picture(impl_->element, picture_.impl() ? picture_.impl()->bitmap : 0);
}

Picture::Impl::~Impl() { ropi_picture_release(bitmap); }

Picture Picture::fromGif(const std::vector<unsigned char> &bytes)
{
    // The browser decodes it (its first picture), while the page runs on.
    const int bitmap = ropi_picture_decode(bytes.data(), int(bytes.size()));
    if (bitmap == 0)
        return {};
    return Picture(std::make_shared<const Impl>(bitmap));
}

} // namespace platform
