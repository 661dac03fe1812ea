#include "platform/Controls.h"

#include "platform/Runtime.h"
#include "platform/Screen.h"

#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace platform {

namespace {

// A picture needs far less than this; a file whose header claims a giant size
// must fail cleanly instead of exhausting memory.
constexpr int kPictureAllocationLimitMB = 64;

QPalette withRole(QPalette palette, QPalette::ColorRole role, const QColor &color)
{
    palette.setColor(role, color);
    return palette;
}

} // namespace

QColor fromBgr(quint32 bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QFont japaneseFont(double points, bool italic)
{
    QFont font(QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                           QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                           QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                           QStringLiteral("TakaoPGothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(italic);
    return font;
}

Placement::Placement(QWidget &widget, float left, float top, float width, float height)
    : widget_(widget), left_(left), top_(top), width_(width), height_(height)
{
    place();
}

void Placement::setLeft(float twips)
{
    left_ = twips;
    place();
}

void Placement::setTop(float twips)
{
    top_ = twips;
    place();
}

void Placement::setWidth(float twips)
{
    width_ = twips;
    place();
}

void Placement::setHeight(float twips)
{
    height_ = twips;
    place();
}

void Placement::Move(float left, float top, float width, float height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    place();
}

void Placement::place()
{
    // Round the edges rather than the sizes, so neighbouring controls meet without gaps.
    const int x = toPixels(left_);
    const int y = toPixels(top_);
    widget_.setGeometry(x, y, std::max(0, toPixels(left_ + width_) - x),
                        std::max(0, toPixels(top_ + height_) - y));
}

Frame::Frame(QWidget *parent, quint32 backColor, float left, float top, float width, float height)
    : QWidget(parent), Placement(*this, left, top, width, height)
{
    setPalette(withRole(palette(), QPalette::Window, fromBgr(backColor)));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

Label::Label(QWidget *parent, const QString &caption, quint32 foreColor, double fontPoints,
             float left, float top, float width, float height)
    : QLabel(caption, parent), Placement(*this, left, top, width, height)
{
    setPalette(withRole(palette(), QPalette::WindowText, fromBgr(foreColor)));
    setAutoFillBackground(false);
    setFont(japaneseFont(fontPoints));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
}

CommandButton::CommandButton(QWidget *parent, quint32 backColor, double fontPoints, bool italic,
                             float left, float top, float width, float height)
    : QPushButton(parent), Placement(*this, left, top, width, height)
{
    QPalette colours = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::Button, fromBgr(backColor));
    setPalette(colours);
    setFont(japaneseFont(fontPoints, italic));
    setAutoDefault(false);
    setDefault(false);
    setFocusPolicy(Qt::StrongFocus);
}

void CommandButton::setCaption(const QString &caption)
{
    caption_ = caption;
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setText(shown);
}

void CommandButton::paintEvent(QPaintEvent *)
{
    // The style's own button is a gradient of its own making; a graphical
    // button shows exactly its colour, so it is drawn here.
    QPainter painter(this);
    qDrawWinButton(&painter, rect(), palette(), isDown(), &palette().button());
    const QRect inside = rect().adjusted(3, 3, -3, -3);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inside;
        focus.backgroundColor = palette().button().color();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    // The caption moves with the face as it is pressed in, and greys with the button.
    const int shift = isDown() ? 1 : 0;
    style()->drawItemText(&painter, inside.translated(shift, shift), Qt::AlignCenter, palette(),
                          isEnabled(), text(), QPalette::ButtonText);
}

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            click();
        break;
    case Qt::Key_Space: QPushButton::keyPressEvent(event); break;
    default: break;
    }
    // Keys meant for the button stop here; the window never sees them.
    event->accept();
}

void CommandButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space)
        QPushButton::keyReleaseEvent(event);
    event->accept();
}

Picture LoadPicture(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        throw RuntimeError(kErrFileNotFound, QStringLiteral("ファイルが見つかりません。"),
                           fileName);
    // Only plain files are read: a FIFO or a device would block or never end.
    if (!info.isFile())
        throw RuntimeError(kErrInvalidPicture, QStringLiteral("ピクチャが不正です。"), fileName);

    QImageReader::setAllocationLimit(kPictureAllocationLimitMB);
    QImageReader reader(fileName, "gif");
    reader.setDecideFormatFromContent(false);
    QImage image;
    if (!reader.canRead() || !reader.read(&image) || image.isNull())
        throw RuntimeError(kErrInvalidPicture, QStringLiteral("ピクチャが不正です。"), fileName);
    return Picture{image};
}

Image::Image(QWidget *parent, float left, float top, float width, float height)
    : QWidget(parent), Placement(*this, left, top, width, height)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

void Image::setPicture(const Picture &picture)
{
    picture_ = picture;
    scaled_ = QPixmap();
    update();
}

void Image::paintEvent(QPaintEvent *)
{
    if (picture_.image.isNull())
        return;
    // The cat is repainted at every jump; scaling it anew each time would cost
    // more than the rest of the jump together.
    if (scaled_.size() != size())
        scaled_ = QPixmap::fromImage(
            picture_.image.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QPainter(this).drawPixmap(0, 0, scaled_);
}

} // namespace platform
