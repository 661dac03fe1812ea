#include "platform/web/WebBackend.h"

// The menu bar is the page's (page/menu.js): it opens, moves and closes by
// itself, and sends a choice to the game's loop. It never changes a mark by
// itself: only showChecked does.
namespace platform {

void Backend::make(MenuItem &item, Form &form)
{
    item.impl_.reset(
        new MenuItem::Impl{ropi_menu_add(impl(form).element, 0, item.Caption().c_str(), false)});
    web::addMenuEntry(item.impl_->entry, item);
}

void Backend::make(MenuItem &item, MenuItem &menu)
{
    item.impl_.reset(new MenuItem::Impl{
        ropi_menu_add(0, impl(menu).entry, item.Caption().c_str(), item.Checked())});
    web::addMenuEntry(item.impl_->entry, item);
}

void Backend::end(MenuItem::Impl *impl)
{
    web::removeMenuEntry(impl->entry);
    ropi_menu_remove(impl->entry);
    delete impl;
}

void Backend::showChecked(MenuItem &item) { ropi_menu_checked(impl(item).entry, item.Checked()); }

void Backend::showEnabled(MenuItem &item) { ropi_menu_enabled(impl(item).entry, item.Enabled()); }

} // namespace platform
