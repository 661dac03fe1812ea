#include "platform/Form.h"

#include "platform/KeyCodes.h"
#include "platform/shared/Backend.h"

#include <tuple>

namespace platform {

void Form::Ends::operator()(Impl *impl) const { Backend::end(impl); }

Form::Form(std::u16string caption, Color backColor, float clientLeft, float clientTop,
           float clientWidth, float clientHeight)
    : left_(clientLeft), top_(clientTop), width_(clientWidth), height_(clientHeight)
{
    Backend::make(*this, caption, backColor);
    Backend::showGeometry(*this);
}

void Form::Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    Form_Load();
}

void Form::Show() { Backend::show(*this); }

void Form::Move(float left, float top, float width, float height)
{
    std::tie(left_, top_, width_, height_) = std::tie(left, top, width, height);
    Backend::showGeometry(*this);
}

void Backend::keyDown(Form &form, std::int16_t keyCode, Modifiers held,
                      audio::Clock::time_point pressedAt)
{
    const auto shift = static_cast<std::int16_t>(
        (held.shift ? vbShiftMask : 0) | (held.ctrl ? vbCtrlMask : 0) | (held.alt ? vbAltMask : 0));
    handleEvent(pressedAt, [&] { form.Form_KeyDown(keyCode, shift); });
}

audio::Clock::time_point Backend::stampedAgo(double milliseconds)
{
    // A stamp from further back (another clock, a clock that jumped) says nothing useful.
    constexpr double kLongestWait = 10000;
    const double ago = milliseconds >= 0 && milliseconds <= kLongestWait ? milliseconds : 0;
    return audio::Clock::now() - std::chrono::duration_cast<audio::Clock::duration>(
                                     std::chrono::duration<double, std::milli>(ago));
}

void Backend::screenResized(Form &form)
{
    guarded([&] { form.Form_Resize(); });
}

int run(std::unique_ptr<Form> (*createStartupForm)(), int argc, char **argv)
{
    return Backend::runEventLoop(argc, argv, [createStartupForm] {
        std::unique_ptr<Form> form;
        guarded([&] {
            form = createStartupForm();
            form->Load();
            form->Show();
        });
        return form;
    });
}

} // namespace platform
