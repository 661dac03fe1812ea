#include "platform/Controls.h"

#include "platform/Runtime.h"
#include "platform/Screen.h"
#include "platform/shared/Backend.h"
#include "platform/shared/MediaFiles.h"

#include <tuple>

namespace platform {

void Container::Ends::operator()(Native *native) const { Backend::end(native); }
void Control::Ends::operator()(Impl *impl) const { Backend::end(impl); }

Frame::Frame(Container &parent, Color backColor, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    Backend::make(*this, parent, backColor);
    Backend::place(*this);
}

Label::Label(Container &parent, std::u16string caption, Color foreColor, double fontPoints,
             float left, float top, float width, float height)
    : Control(left, top, width, height), caption_(std::move(caption)), foreColor_(foreColor)
{
    Backend::make(*this, parent, foreColor, fontPoints);
    Backend::showCaption(*this);
    Backend::place(*this);
}

CommandButton::CommandButton(Container &parent, Color backColor, double fontPoints, bool italic,
                             float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    Backend::make(*this, parent, backColor, fontPoints, italic);
    Backend::place(*this);
}

Image::Image(Container &parent, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    Backend::make(*this, parent);
    Backend::place(*this);
}

void Control::setLeft(float twips) { Move(twips, top_, width_, height_); }
void Control::setTop(float twips) { Move(left_, twips, width_, height_); }
void Control::setWidth(float twips) { Move(left_, top_, twips, height_); }
void Control::setHeight(float twips) { Move(left_, top_, width_, twips); }

void Control::Move(float left, float top, float width, float height)
{
    std::tie(left_, top_, width_, height_) = std::tie(left, top, width, height);
    Backend::place(*this);
}

void Backend::place(Control &control)
{
    showGeometry(control, toPixelRect(control.left_, control.top_, control.width_, control.height_,
                                      Screen::TwipsPerPixel()));
}

void Control::setVisible(bool visible)
{
    visible_ = visible;
    Backend::showVisible(*this);
}

void Control::ZOrder(int position)
{
    if (position == 0)
        Backend::bringToFront(*this);
    else
        Backend::sendToBack(*this);
}

void Label::setCaption(std::u16string caption)
{
    caption_ = std::move(caption);
    Backend::showCaption(*this);
}

void CommandButton::setCaption(std::u16string caption)
{
    caption_ = std::move(caption);
    Backend::showCaption(*this);
}

void CommandButton::setEnabled(bool enabled)
{
    enabled_ = enabled;
    Backend::showEnabled(*this);
}

void Image::setPicture(Picture picture)
{
    picture_ = std::move(picture);
    Backend::showPicture(*this);
}

Picture LoadPicture(const std::u16string &fileName)
{
    const media::FileContents file = Backend::readFile(fileName, media::kMaxPictureBytes);
    if (file.check == media::FileCheck::Missing)
        throw RuntimeError(kErrFileNotFound, u"ファイルが見つかりません。", fileName);
    Picture picture;
    if (file.check == media::FileCheck::Read && media::isPlausibleGif(file.bytes))
        picture = Picture(Backend::decodeGif(file.bytes));
    if (!picture.impl_)
        throw RuntimeError(kErrInvalidPicture, u"ピクチャが不正です。", fileName);
    return picture;
}

} // namespace platform
