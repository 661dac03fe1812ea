#include "platform/web/WebBackend.h"

#include "platform/shared/KeyCaptions.h"

#include <algorithm>
#include <vector>

// Each control is an element of the page, placed in pixels of the screen (the
// page turns them into CSS pixels at its devicePixelRatio); its look is the
// page's stylesheet's.
namespace platform {

namespace {

// The labels, whose key captions the page's touch bar offers as buttons.
struct KeyLabels {
    std::vector<const Label *> labels;
    std::vector<int> elements; // each label's
    std::vector<TouchKey> sent;
};

KeyLabels &keyLabels()
{
    static KeyLabels all;
    return all;
}

// Tells the page every label's key once the keys have changed.
void sendKeys()
{
    KeyLabels &all = keyLabels();
    std::vector<TouchKey> keys = touchKeys(all.labels);
    if (keys == all.sent)
        return;
    for (std::size_t i = 0; i < all.labels.size(); ++i) {
        const auto key = std::find_if(keys.begin(), keys.end(),
                                      [&](const TouchKey &k) { return k.label == all.labels[i]; });
        if (key == keys.end())
            ropi_label_key(all.elements[i], 0, u"", false);
        else
            ropi_label_key(all.elements[i], key->key.keyCode, key->key.words.c_str(), key->main);
    }
    all.sent = std::move(keys);
}

} // namespace

void Backend::end(Control::Impl *impl)
{
    KeyLabels &all = keyLabels();
    if (const auto at = std::find(all.elements.begin(), all.elements.end(), impl->element);
        at != all.elements.end()) {
        all.labels.erase(all.labels.begin() + (at - all.elements.begin()));
        all.elements.erase(at);
        all.sent.clear();
    }
    web::removeControl(impl->element);
    ropi_control_remove(impl->element);
    delete impl;
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

void Backend::make(Frame &frame, Container &parent, Color backColor)
{
    const int element = ropi_frame_create(native(parent).element, backColor);
    frame.impl_.reset(new Control::Impl{element});
    frame.native_.reset(new Container::Native{element});
}

void Backend::make(Label &label, Container &parent, Color foreColor, double fontPoints)
{
    label.impl_.reset(
        new Control::Impl{ropi_label_create(native(parent).element, foreColor, fontPoints)});
    keyLabels().labels.push_back(&label);
    keyLabels().elements.push_back(label.impl_->element);
}

void Backend::showCaption(Label &label)
{
    ropi_label_caption(impl(label).element, label.Caption().c_str());
    sendKeys();
}

void Backend::make(CommandButton &button, Container &parent, Color backColor, double fontPoints,
                   bool italic)
{
    button.impl_.reset(new Control::Impl{
        ropi_button_create(native(parent).element, backColor, fontPoints, italic)});
    web::addButton(button.impl_->element, button);
}

void Backend::showCaption(CommandButton &button)
{
    ropi_button_caption(impl(button).element, button.Caption().c_str());
}

void Backend::showEnabled(CommandButton &button)
{
    ropi_button_enabled(impl(button).element, button.Enabled());
}

void Backend::make(Image &image, Container &parent)
{
    image.impl_.reset(new Control::Impl{ropi_image_create(native(parent).element)});
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
