#include "platform/windows/WinBackend.h"

namespace platform {

namespace {

// The drop-down or submenu that opens from the entry, made when the first item goes inside it.
HMENU popupOf(MenuItem &item)
{
    MenuItem::Impl &impl = Backend::impl(item);
    if (!impl.popup) {
        impl.popup = CreatePopupMenu();
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_SUBMENU;
        info.hSubMenu = impl.popup;
        SetMenuItemInfoW(impl.owner, impl.id, FALSE, &info);
    }
    return impl.popup;
}

MenuItem::Impl *append(MenuItem &item, Form::Impl &form, HMENU owner)
{
    const UINT id = form.nextMenuId++;
    const UINT flags =
        item.isSeparator() ? MF_SEPARATOR : MF_STRING | (item.Checked() ? MF_CHECKED : 0);
    AppendMenuW(owner, flags, id, item.isSeparator() ? nullptr : win::wide(item.Caption()));
    form.menuItems[id] = &item;
    DrawMenuBar(form.hwnd);
    return new MenuItem::Impl{form, owner, id};
}

} // namespace

void Backend::make(MenuItem &item, Form &form)
{
    item.impl_.reset(append(item, impl(form), impl(form).menuBar));
}

void Backend::make(MenuItem &item, MenuItem &menu)
{
    item.impl_.reset(append(item, impl(menu).form, popupOf(menu)));
}

void Backend::end(MenuItem::Impl *impl)
{
    impl->form.menuItems.erase(impl->id);
    delete impl; // the menus themselves go with the window
}

void Backend::showChecked(MenuItem &item)
{
    // Windows never changes a mark by itself: only this does.
    CheckMenuItem(impl(item).owner, impl(item).id,
                  MF_BYCOMMAND | (item.Checked() ? MF_CHECKED : MF_UNCHECKED));
}

void Backend::showEnabled(MenuItem &item)
{
    EnableMenuItem(impl(item).owner, impl(item).id,
                   MF_BYCOMMAND | (item.Enabled() ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(impl(item).form.hwnd);
}

} // namespace platform
