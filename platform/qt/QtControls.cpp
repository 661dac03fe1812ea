#include "platform/MediaFiles.h"
#include "platform/qt/QtBackend.h"

#include <QBuffer>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace platform {

namespace {

QPalette withRole(QPalette palette, QPalette::ColorRole role, const QColor &color)
{
    palette.setColor(role, color);
    return palette;
}

// A graphical button: the style's own button is a gradient of its own making, so
// the face is drawn here in exactly its colour. Keys meant for it stop here.
class ButtonWidget final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
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

    void keyPressEvent(QKeyEvent *event) override
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
        // The window never sees a key while the button holds the focus.
        event->accept();
    }

    void keyReleaseEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Space)
            QPushButton::keyReleaseEvent(event);
        event->accept();
    }
};

// Shows a picture stretched to its rectangle.
class ImageWidget final : public QWidget {
public:
    using QWidget::QWidget;

    void setPicture(const Picture &picture)
    {
        image_ = picture.impl() ? picture.impl()->image : QImage();
        scaled_ = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (image_.isNull())
            return;
        // The cat is repainted at every jump; scaling it anew each time would cost
        // more than the rest of the jump together.
        if (scaled_.size() != size())
            scaled_ = QPixmap::fromImage(
                image_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        QPainter(this).drawPixmap(0, 0, scaled_);
    }

private:
    QImage image_;
    QPixmap scaled_; // the picture at the widget's size, made once per size or picture
};

template <typename Widget> Widget &widgetOf(const Control &control)
{
    return static_cast<Widget &>(qt::widget(control));
}

} // namespace

namespace qt {

QColor fromBgr(Color bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

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

} // namespace qt

Control::Control(float left, float top, float width, float height)
    : left_(left), top_(top), width_(width), height_(height)
{
}

Control::~Control()
{
    if (impl_)
        delete impl_->widget;
}

void Control::showGeometry(int x, int y, int width, int height)
{
    impl_->widget->setGeometry(x, y, width, height);
}

void Control::showVisible() { impl_->widget->setVisible(visible_); }

void Control::ZOrder(int position)
{
    if (position == 0)
        impl_->widget->raise();
    else
        impl_->widget->lower();
}

Frame::Frame(Container &parent, Color backColor, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    auto *widget = new QWidget(parent.native().widget);
    widget->setPalette(withRole(widget->palette(), QPalette::Window, qt::fromBgr(backColor)));
    widget->setAutoFillBackground(true);
    widget->setFocusPolicy(Qt::NoFocus);
    impl_ = std::make_unique<Impl>(Impl{widget});
    native_ = std::make_unique<Native>(Native{widget});
    place();
}

Label::Label(Container &parent, std::u16string caption, Color foreColor, double fontPoints,
             float left, float top, float width, float height)
    : Control(left, top, width, height), caption_(std::move(caption))
{
    auto *label = new QLabel(qt::toQString(caption_), parent.native().widget);
    label->setPalette(withRole(label->palette(), QPalette::WindowText, qt::fromBgr(foreColor)));
    label->setAutoFillBackground(false);
    label->setFont(qt::japaneseFont(fontPoints));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    impl_ = std::make_unique<Impl>(Impl{label});
    place();
}

void Label::showCaption() { widgetOf<QLabel>(*this).setText(qt::toQString(caption_)); }

CommandButton::CommandButton(Container &parent, Color backColor, double fontPoints, bool italic,
                             float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    auto *button = new ButtonWidget(parent.native().widget);
    QPalette colours = button->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::Button, qt::fromBgr(backColor));
    button->setPalette(colours);
    button->setFont(qt::japaneseFont(fontPoints, italic));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(button, &QPushButton::clicked, [this] { Click.raise(); });
    impl_ = std::make_unique<Impl>(Impl{button});
    place();
}

void CommandButton::showCaption()
{
    widgetOf<QPushButton>(*this).setText(
        qt::toQString(caption_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void CommandButton::showEnabled() { impl_->widget->setEnabled(enabled_); }

Image::Image(Container &parent, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    auto *image = new ImageWidget(parent.native().widget);
    image->setAttribute(Qt::WA_TranslucentBackground);
    image->setFocusPolicy(Qt::NoFocus);
    impl_ = std::make_unique<Impl>(Impl{image});
    place();
}

void Image::showPicture() { widgetOf<ImageWidget>(*this).setPicture(picture_); }

Picture Picture::fromGif(const std::vector<unsigned char> &bytes)
{
    QImageReader::setAllocationLimit(int(media::kMaxPictureBytes / (1024 * 1024)));
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.data()),
                                              qsizetype(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "gif");
    reader.setDecideFormatFromContent(false);
    QImage image;
    if (!reader.canRead() || !reader.read(&image) || image.isNull())
        return {};
    return Picture(std::make_shared<const Impl>(Impl{image}));
}

} // namespace platform
