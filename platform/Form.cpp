#include "platform/Form.h"

#include "platform/Backend.h"
#include "platform/KeyCodes.h"

namespace platform {

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
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Backend::showGeometry(*this);
}

void Backend::keyDown(Form &form, std::int16_t keyCode, Modifiers held)
{
    const auto shift = static_cast<std::int16_t>(
        (held.shift ? vbShiftMask : 0) | (held.ctrl ? vbCtrlMask : 0) | (held.alt ? vbAltMask : 0));
    guarded([&] { form.Form_KeyDown(keyCode, shift); });
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
