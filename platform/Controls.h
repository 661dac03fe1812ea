#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

namespace platform {

// Colours are written &H00BBGGRR&, blue in the high byte.
QColor fromBgr(quint32 bgr);

// The game's face, "ＭＳ Ｐゴシック", falling back to IPAPGothic and then to
// any Japanese Gothic face the machine has.
QFont japaneseFont(double points, bool italic = false);

// Left, Top, Width and Height of a control in twips, as single-precision
// numbers that read back exactly what was set. Pixels are only worked out when
// the widget is placed.
class Placement {
public:
    Placement(QWidget &widget, float left, float top, float width, float height);

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    void Move(float left, float top, float width, float height);

private:
    void place();

    QWidget &widget_;
    float left_, top_, width_, height_;
};

// A borderless panel filled with its colour.
class Frame : public QWidget, public Placement {
    Q_OBJECT
public:
    Frame(QWidget *parent, quint32 backColor, float left, float top, float width, float height);
};

// A transparent, left-aligned, single-line caption.
class Label : public QLabel, public Placement {
    Q_OBJECT
public:
    Label(QWidget *parent, const QString &caption, quint32 foreColor, double fontPoints, float left,
          float top, float width, float height);

    QString Caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
};

// A graphical push button: its face is its own back colour, flat, inside a
// raised edge (sunken while pressed), enabled or not; only its caption greys
// while it is disabled. It can hold the keyboard focus only while enabled;
// while it does, Enter or Space press it and no key reaches the window behind it.
class CommandButton : public QPushButton, public Placement {
    Q_OBJECT
public:
    CommandButton(QWidget *parent, quint32 backColor, double fontPoints, bool italic, float left,
                  float top, float width, float height);

    // The caption as set, line breaks written "\r\n".
    QString Caption() const { return caption_; }
    void setCaption(const QString &caption);
    bool Enabled() const { return isEnabled(); }
    void setEnabled(bool enabled) { QPushButton::setEnabled(enabled); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    QString caption_;
};

// A picture read from a file, ready to be shown by an Image.
struct Picture {
    QImage image;
};

// Reads a GIF file by name (relative names are looked up in the current
// directory). A missing or unreadable file, or one that is not a GIF picture,
// raises a RuntimeError naming the file.
Picture LoadPicture(const QString &fileName);

// Shows a picture stretched to fill its rectangle.
class Image : public QWidget, public Placement {
    Q_OBJECT
public:
    Image(QWidget *parent, float left, float top, float width, float height);

    void setPicture(const Picture &picture);
    const Picture &picture() const { return picture_; }
    bool Visible() const { return !isHidden(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Picture picture_;
    QPixmap scaled_; // the picture at the control's size, made once per size or picture
};

} // namespace platform
