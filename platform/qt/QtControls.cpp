#include "platform/qt/QtBackend.h"
#include "platform/shared/ScaledPicture.h"

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

void Backend::end(Control::Impl *impl)
{
    delete impl->widget;
    delete impl;
}

void Backend::showGeometry(Control &control, const PixelRect &pixels)
{
    impl(control).widget->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
}

void Backend::showVisible(Control &control) { impl(control).widget->setVisible(control.Visible()); }

void Backend::bringToFront(Control &control) { impl(control).widget->raise(); }

void Backend::sendToBack(Control &control) { impl(control).widget->lower(); }

void Backend::make(Frame &frame, Container &parent, Color backColor)
{
    auto *widget = new QWidget(native(parent).widget);
    widget->setPalette(withRole(widget->palette(), QPalette::Window, qt::fromBgr(backColor)));
    widget->setAutoFillBackground(true);
    widget->setFocusPolicy(Qt::NoFocus);
    frame.impl_.reset(new Control::Impl{widget});
    frame.native_.reset(new Container::Native{widget});
}

void Backend::make(Label &label, Container &parent, Color foreColor, double fontPoints)
{
    auto *widget = new QLabel(native(parent).widget);
    widget->setPalette(withRole(widget->palette(), QPalette::WindowText, qt::fromBgr(foreColor)));
    widget->setAutoFillBackground(false);
    widget->setFont(qt::japaneseFont(fontPoints));
    widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    widget->setWordWrap(false);
    widget->setTextFormat(Qt::PlainText);
    widget->setFocusPolicy(Qt::NoFocus);
    label.impl_.reset(new Control::Impl{widget});
}

void Backend::showCaption(Label &label)
{
    widgetOf<QLabel>(label).setText(qt::toQString(label.Caption()));
}

void Backend::make(CommandButton &button, Container &parent, Color backColor, double fontPoints,
                   bool italic)
{
    auto *widget = new ButtonWidget(native(parent).widget);
    QPalette colours = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::Button, qt::fromBgr(backColor));
    widget->setPalette(colours);
    widget->setFont(qt::japaneseFont(fontPoints, italic));
    widget->setAutoDefault(false);
    widget->setDefault(false);
    widget->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(widget, &QPushButton::clicked, [&button] { button.Click.raise(); });
    button.impl_.reset(new Control::Impl{widget});
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

void Backend::make(Image &image, Container &parent)
{
    auto *widget = new ImageWidget(native(parent).widget);
    widget->setAttribute(Qt::WA_TranslucentBackground);
    widget->setFocusPolicy(Qt::NoFocus);
    image.impl_.reset(new Control::Impl{widget});
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
