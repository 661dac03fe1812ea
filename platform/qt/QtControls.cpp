#include "platform/ScaledPicture.h"
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
        const Picture::Impl *impl = Backend::impl(picture);
        image_ = impl ? impl->image : QImage();
        scaled_.forget();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (image_.isNull())
            return;
        const auto &scaled = scaled_.at(width(), height(), [this](int width, int height) {
            return std::make_unique<QPixmap>(QPixmap::fromImage(
                image_.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        });
        QPainter(this).drawPixmap(0, 0, *scaled);
    }

private:
    QImage image_;
    ScaledPicture<std::unique_ptr<QPixmap>> scaled_;
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
    QStringList families;
    for (const char16_t *face : Backend::japaneseFaces())
        families.append(QString::fromUtf16(face));
    QFont font(families);
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

void Backend::showGeometry(Control &control, const PixelRect &pixels)
{
    impl(control).widget->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
}

void Backend::showVisible(Control &control) { impl(control).widget->setVisible(control.Visible()); }

void Backend::bringToFront(Control &control) { impl(control).widget->raise(); }

void Backend::sendToBack(Control &control) { impl(control).widget->lower(); }

Frame::Frame(Container &parent, Color backColor, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    auto *widget = new QWidget(Backend::native(parent).widget);
    widget->setPalette(withRole(widget->palette(), QPalette::Window, qt::fromBgr(backColor)));
    widget->setAutoFillBackground(true);
    widget->setFocusPolicy(Qt::NoFocus);
    impl_ = std::make_unique<Impl>(Impl{widget});
    native_ = std::make_unique<Native>(Native{widget});
    Backend::place(*this);
}

Label::Label(Container &parent, std::u16string caption, Color foreColor, double fontPoints,
             float left, float top, float width, float height)
    : Control(left, top, width, height), caption_(std::move(caption))
{
    auto *label = new QLabel(qt::toQString(caption_), Backend::native(parent).widget);
    label->setPalette(withRole(label->palette(), QPalette::WindowText, qt::fromBgr(foreColor)));
    label->setAutoFillBackground(false);
    label->setFont(qt::japaneseFont(fontPoints));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    impl_ = std::make_unique<Impl>(Impl{label});
    Backend::place(*this);
}

void Backend::showCaption(Label &label)
{
    widgetOf<QLabel>(label).setText(qt::toQString(label.Caption()));
}

CommandButton::CommandButton(Container &parent, Color backColor, double fontPoints, bool italic,
                             float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    auto *button = new ButtonWidget(Backend::native(parent).widget);
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
    Backend::place(*this);
}

void Backend::showCaption(CommandButton &button)
{
    widgetOf<QPushButton>(button).setText(
        qt::toQString(button.Caption()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void Backend::showEnabled(CommandButton &button)
{
    impl(button).widget->setEnabled(button.Enabled());
}

Image::Image(Container &parent, float left, float top, float width, float height)
    : Control(left, top, width, height)
{
    auto *image = new ImageWidget(Backend::native(parent).widget);
    image->setAttribute(Qt::WA_TranslucentBackground);
    image->setFocusPolicy(Qt::NoFocus);
    impl_ = std::make_unique<Impl>(Impl{image});
    Backend::place(*this);
}

void Backend::showPicture(Image &image)
{
    widgetOf<ImageWidget>(image).setPicture(image.picture());
}

std::shared_ptr<const Picture::Impl> Backend::decodeGif(const media::Bytes &bytes)
{
    QImageReader::setAllocationLimit(int(media::kMaxPictureBytes / (1024 * 1024)));
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.data()),
                                              qsizetype(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "gif");
    reader.setDecideFormatFromContent(false);
    QImage image;
    if (!reader.canRead() || !reader.read(&image) || image.isNull())
        return nullptr;
    return std::make_shared<const Picture::Impl>(Picture::Impl{image});
}

} // namespace platform
