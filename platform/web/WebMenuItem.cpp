#include "platform/web/WebBackend.h"

// The menu bar is the page's (page/menu.js): it opens, moves and closes by
// itself, and sends a choice to the game's loop. It never changes a mark by
// itself: only showChecked does.
namespace platform {

MenuItem::MenuItem(Form &form, std::u16string caption)
    : caption_(std::move(caption)), checked_(false)
{
    impl_.reset(new Impl{ropi_menu_add(Backend::impl(form).element, 0, caption_.c_str(), false)});
    web::addMenuEntry(impl_->entry, *this);
}

MenuItem::MenuItem(MenuItem &menu, std::u16string caption, bool checked)
    : caption_(std::move(caption)), checked_(checked)
{
    impl_.reset(new Impl{ropi_menu_add(0, Backend::impl(menu).entry, caption_.c_str(), checked)});
    web::addMenuEntry(impl_->entry, *this);
}

MenuItem::~MenuItem()
{
    web::removeMenuEntry(impl_->entry);
    ropi_menu_remove(impl_->entry);
}

void Backend::showChecked(MenuItem &item) { ropi_menu_checked(impl(item).entry, item.Checked()); }

} // namespace platform
