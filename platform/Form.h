#pragma once

#include "platform/Runtime.h"

#include <QApplication>
#include <QMainWindow>

#include <cstdint>
#include <memory>

namespace platform {

// A top-level window with a fixed single border, a close box but no maximise
// or minimise button, a menu bar, and a client area below it where controls
// are placed in twips. Its outer size is what Move() set, frame included.
class Form : public QMainWindow {
    Q_OBJECT
public:
    Form(const QString &caption, quint32 backColor, float clientLeft, float clientTop,
         float clientWidth, float clientHeight);

    // Runs the load handler once; the window stays hidden.
    void Load();
    void Show() { show(); }

    void Move(float left, float top, float width, float height);
    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }

    // The parent of the controls that sit directly on the window.
    QWidget *client() const { return centralWidget(); }

    // The window on screen, which owns every message box; none before it is shown.
    static Form *onScreen();

protected:
    virtual void Form_Load() {}
    // Every key press that no control takes, auto-repeat included.
    virtual void Form_KeyDown(std::int16_t &KeyCode, std::int16_t Shift)
    {
        (void)KeyCode;
        (void)Shift;
    }

    // Routes an event of a control to a handler of the window, the way every
    // event reaches the game: an error the handler does not catch ends the
    // program with an error report.
    template <typename Sender, typename Signal, typename Window>
    void on(Sender *sender, Signal signal, void (Window::*handler)())
    {
        auto *window = static_cast<Window *>(this);
        connect(sender, signal, this,
                [window, handler] { guarded([&] { (window->*handler)(); }); });
    }

    void keyPressEvent(QKeyEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void fitOuterSize();

    float left_, top_, width_, height_;
    QSize frameExtra_; // what the window manager's frame adds to the client size
    bool loaded_ = false;
};

// Sets up the application the way every window expects: its name, style and
// Japanese face. The command line is not the game's: only argv[0] is passed on.
void configureApplication();

// Creates the start-up window, runs its load handler while it is still hidden,
// shows it and delivers events until the program ends.
template <typename StartupForm> int run(int argc, char **argv)
{
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    configureApplication();
    std::unique_ptr<StartupForm> form;
    guarded([&form] {
        form = std::make_unique<StartupForm>();
        form->Load();
        form->Show();
    });
    return app.exec();
}

} // namespace platform
