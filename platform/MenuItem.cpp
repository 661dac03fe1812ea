#include "platform/MenuItem.h"

#include "platform/Backend.h"

namespace platform {

void MenuItem::setChecked(bool checked)
{
    checked_ = checked;
    Backend::showChecked(*this);
}

} // namespace platform
