#include "platform/Form.h"

namespace platform {

void Form::Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    Form_Load();
}

void Form::Move(float left, float top, float width, float height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    showGeometry();
}

void Form::keyDown(std::int16_t keyCode, std::int16_t shift)
{
    guarded([&] { Form_KeyDown(keyCode, shift); });
}

} // namespace platform
