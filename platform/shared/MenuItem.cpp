#include "platform/MenuItem.h"

#include "platform/shared/Backend.h"

namespace platform {

void MenuItem::Ends::operator()(Impl *impl) const { Backend::end(impl); }

MenuItem::MenuItem(Form &form, std::u16string caption)
    : caption_(std::move(caption)), checked_(false)
{
    Backend::make(*this, form);
}

MenuItem::MenuItem(MenuItem &menu, std::u16string caption, bool checked)
    : caption_(std::move(caption)), checked_(checked)
{
    Backend::make(*this, menu);
}

void MenuItem::setChecked(bool checked)
{
    checked_ = checked;
    Backend::showChecked(*this);
}

void MenuItem::setEnabled(bool enabled)
{
    enabled_ = enabled;
    Backend::showEnabled(*this);
}

} // namespace platform
