#pragma once

#include "platform/Event.h"

#include <cstdint>
#include <memory>
#include <string>

// A backend completes these classes (platform/shared/Backend.h); the rest is
// written once, in platform/shared/Controls.cpp.
namespace platform {

struct Backend;

// Colours are written &H00BBGGRR&, blue in the high byte.
using Color = std::uint32_t;

// Where controls sit: the window's client area or a frame.
class Container {
public:
    struct Native; // the backend's surface that child controls are made on
    struct Ends {
        void operator()(Native *native) const; // ends it through Backend::end
    };

protected:
    Container() = default;
    ~Container() = default;
    std::unique_ptr<Native, Ends> native_; // made by the backend with the container

private:
    friend struct Backend;
};

// A control on the window, placed in twips. Left, Top, Width and Height read
// back exactly what was set; only the backend's placement is in pixels, edges
// rounded.
class Control {
public:
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;
    virtual ~Control() = default;

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    void Move(float left, float top, float width, float height);

    bool Visible() const { return visible_; }
    void setVisible(bool visible);

    // Brings the control in front of the others on its container (0), or sends it behind
    // them (1).
    void ZOrder(int position = 0);

    struct Impl; // the backend's control
    struct Ends {
        void operator()(Impl *impl) const; // ends it through Backend::end
    };

protected:
    Control(float left, float top, float width, float height)
        : left_(left), top_(top), width_(width), height_(height)
    {
    }
    std::unique_ptr<Impl, Ends> impl_; // made by the backend with the control

private:
    friend struct Backend;
    float left_, top_, width_, height_;
    bool visible_ = true;
};

// A borderless panel filled with its colour.
class Frame : public Control, public Container {
public:
    Frame(Container &parent, Color backColor, float left, float top, float width, float height);
};

// A transparent, left-aligned, single-line caption in the game's face.
//
// A caption that begins with a key in brackets and says after a full-width colon what the key
// does, "[ 1 ]：ゆっくり" or "[ F ]か[ J ]：真ん中に来たら", is a key caption. Where the player has
// no keyboard (a phone, a tablet) the platform offers a button for it, with the words after
// "：", that presses the key in the first brackets (a letter, a digit, Space or Enter; full-width
// characters read as their ASCII selves). Of three or more key captions, the one drawn in a
// colour no other has gets the largest button. (platform/shared/KeyCaptions.h reads them.)
class Label : public Control {
public:
    Label(Container &parent, std::u16string caption, Color foreColor, double fontPoints, float left,
          float top, float width, float height);

    const std::u16string &Caption() const { return caption_; }
    void setCaption(std::u16string caption);
    Color ForeColor() const { return foreColor_; }

private:
    std::u16string caption_;
    Color foreColor_;
};

// A graphical push button: its face is its own back colour, flat, inside a
// raised edge (sunken while pressed), enabled or not; only its caption greys
// while it is disabled. It can hold the keyboard focus only while enabled;
// while it does, Enter or Space press it and no key reaches the window behind it.
class CommandButton : public Control {
public:
    CommandButton(Container &parent, Color backColor, double fontPoints, bool italic, float left,
                  float top, float width, float height);

    // The caption as set, line breaks written "\r\n".
    const std::u16string &Caption() const { return caption_; }
    void setCaption(std::u16string caption);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    Event Click;

private:
    std::u16string caption_;
    bool enabled_ = true;
};

// A picture read from a file, ready to be shown by an Image; none by default.
class Picture {
public:
    struct Impl; // the backend's decoded picture
    Picture() = default;

private:
    friend struct Backend;
    friend Picture LoadPicture(const std::u16string &fileName);
    explicit Picture(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}
    std::shared_ptr<const Impl> impl_;
};

// Reads a GIF file by name (relative names are looked up in the current
// directory). A missing file raises error 53; one that is no plain file, is
// too large or is not a GIF picture raises 481, naming the file.
Picture LoadPicture(const std::u16string &fileName);

// Shows a picture stretched to fill its rectangle.
class Image : public Control {
public:
    Image(Container &parent, float left, float top, float width, float height);

    const Picture &picture() const { return picture_; }
    void setPicture(Picture picture);

private:
    Picture picture_;
};

} // namespace platform
