#include "platform/Controls.h"

#include "platform/Backend.h"
#include "platform/MediaFiles.h"
#include "platform/Runtime.h"
#include "platform/Screen.h"

namespace platform {

void Control::setLeft(float twips) { Move(twips, top_, width_, height_); }
void Control::setTop(float twips) { Move(left_, twips, width_, height_); }
void Control::setWidth(float twips) { Move(left_, top_, twips, height_); }
void Control::setHeight(float twips) { Move(left_, top_, width_, twips); }

void Control::Move(float left, float top, float width, float height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
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
    const media::FileContents file = media::readPlainFile(fileName, media::kMaxPictureBytes);
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
