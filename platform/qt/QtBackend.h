#pragma once

// The Qt 6 Widgets backend's side of the platform's types. Tests and the
// benchmark include it to reach the widgets behind the game's controls.

#include "platform/shared/Backend.h"

#include <QAction>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

class QKeyEvent;

struct platform::Container::Native {
    QWidget *widget; // owned by the window or the frame
};

struct platform::Control::Impl {
    QWidget *widget; // owned here; its parent is the container's widget
};

// The window: a main window whose central widget is the client area.
struct platform::Form::Impl final : QMainWindow {
    Impl(Form &form, const QString &caption, Color backColor);

    void fitOuterSize();

    Form &form;
    QWidget *client;
    QSize frameExtra; // what the window manager's frame adds to the client size

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
};

struct platform::MenuItem::Impl {
    QAction *action;             // owned by the menu bar or by the parent's menu
    std::unique_ptr<QMenu> menu; // once items are made inside it
};

struct platform::Timer::Impl {
    QTimer timer;
};

struct platform::Picture::Impl {
    QImage image;
};

namespace platform::qt {

inline QString toQString(const std::u16string &text) { return QString::fromStdU16String(text); }
QColor fromBgr(Color bgr);

// The game's face, "ＭＳ Ｐゴシック", falling back to IPAPGothic and then to
// any Japanese Gothic face the machine has.
QFont japaneseFont(double points, bool italic = false);

// The key code of a key press: letters by their upper-case letter, the digit
// keys of the main row as the digit also with Shift held (on X11, Shift+1
// reaches Qt as '!'), keypad digits as keypad codes. 0 for keys the game has no
// code for.
std::int16_t virtualKeyCode(const QKeyEvent &event);
// How many milliseconds ago the window system stamped the key press.
double stampAge(const QKeyEvent &event);
// Shift, Ctrl and Alt, as they were held with the key.
Backend::Modifiers heldModifiers(const QKeyEvent &event);

// Sets up the application the way every window expects: its name, style and Japanese face.
void configureApplication();

// The game's window on screen, which owns every message box; none before it is shown.
QWidget *windowOnScreen();

// The widgets behind the game's objects.
inline QMainWindow &window(const Form &form) { return Backend::impl(form); }
inline QWidget &widget(const Control &control) { return *Backend::impl(control).widget; }
inline QAction &action(const MenuItem &item) { return *Backend::impl(item).action; }
inline QTimer &timer(const Timer &timer) { return Backend::impl(timer).timer; }

} // namespace platform::qt
