#include "platform/MenuItem.h"

namespace platform {

void MenuItem::setChecked(bool checked)
{
    checked_ = checked;
    showChecked();
}

} // namespace platform
