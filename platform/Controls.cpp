#include "platform/Controls.h"

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
    place();
}

void Control::place()
{
    const PixelRect r = toPixelRect(left_, top_, width_, height_, Screen::TwipsPerPixel());
    showGeometry(r.x, r.y, r.width, r.height);
}

void Control::setVisible(bool visible)
{
    visible_ = visible;
    showVisible();
}

void Label::setCaption(std::u16string caption)
{
    caption_ = std::move(caption);
    showCaption();
}

void CommandButton::setCaption(std::u16string caption)
{
    caption_ = std::move(caption);
    showCaption();
}

void CommandButton::setEnabled(bool enabled)
{
    enabled_ = enabled;
    showEnabled();
}

void Image::setPicture(Picture picture)
{
    picture_ = std::move(picture);
    showPicture();
}

Picture LoadPicture(const std::u16string &fileName)
{
    const media::FileContents file = media::readPlainFile(fileName, media::kMaxPictureBytes);
    if (file.check == media::FileCheck::Missing)
        throw RuntimeError(kErrFileNotFound, u"ファイルが見つかりません。", fileName);
    Picture picture;
    if (file.check == media::FileCheck::Read && media::isPlausibleGif(file.bytes))
        picture = Picture::fromGif(file.bytes);
    if (!picture.impl())
        throw RuntimeError(kErrInvalidPicture, u"ピクチャが不正です。", fileName);
    return picture;
}

} // namespace platform
