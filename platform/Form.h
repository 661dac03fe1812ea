#pragma once

#include "platform/Controls.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A top-level window with a fixed single border, a close box but no maximise
// or minimise button, a menu bar, and a client area below it where controls
// are placed in twips. Its outer size is what Move() set, frame included.
// Closing it with its close box ends the program at once. A backend completes it
// (platform/shared/Backend.h).
class Form : public Container {
public:
    Form(std::u16string caption, Color backColor, float clientLeft, float clientTop,
         float clientWidth, float clientHeight);
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;
    virtual ~Form() = default;

    // Runs the load handler once; the window stays hidden.
    void Load();
    void Show();

    void Move(float left, float top, float width, float height);
    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }

    struct Impl; // the backend's window
    struct Ends {
        void operator()(Impl *impl) const; // ends it through Backend::end
    };

protected:
    virtual void Form_Load() {}
    // Every key press that no control takes, auto-repeat included.
    virtual void Form_KeyDown(std::int16_t &KeyCode, std::int16_t Shift)
    {
        (void)KeyCode;
        (void)Shift;
    }
    // The screen changed its size while the window is up (a browser's page turned with its
    // device): Screen::Width and Height already tell the new size.
    virtual void Form_Resize() {}

private:
    friend struct Backend;
    float left_, top_, width_, height_;
    bool loaded_ = false;
    std::unique_ptr<Impl, Ends> impl_;
};

// Creates the start-up window, runs its load handler while it is still hidden,
// shows it and delivers events until the program ends. The command line is not
// the game's.
int run(std::unique_ptr<Form> (*createStartupForm)(), int argc, char **argv);

template <typename StartupForm> int run(int argc, char **argv)
{
    return run([]() -> std::unique_ptr<Form> { return std::make_unique<StartupForm>(); }, argc,
               argv);
}

} // namespace platform
