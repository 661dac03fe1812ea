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

std::unique_ptr<MenuItem::Impl> append(MenuItem &item, Form::Impl &form, HMENU owner, bool checked)
{
    const UINT id = form.nextMenuId++;
    const UINT flags = item.isSeparator() ? MF_SEPARATOR : MF_STRING | (checked ? MF_CHECKED : 0);
    AppendMenuW(owner, flags, id, item.isSeparator() ? nullptr : win::wide(item.Caption()));
    form.menuItems[id] = &item;
    DrawMenuBar(form.hwnd);
    return std::unique_ptr<MenuItem::Impl>(new MenuItem::Impl{form, owner, id});
}

} // namespace

MenuItem::MenuItem(Form &form, std::u16string caption)
    : caption_(std::move(caption)), checked_(false)
{
    impl_ = append(*this, Backend::impl(form), Backend::impl(form).menuBar, false);
}

MenuItem::MenuItem(MenuItem &menu, std::u16string caption, bool checked)
    : caption_(std::move(caption)), checked_(checked)
{
    impl_ = append(*this, Backend::impl(menu).form, popupOf(menu), checked);
}

MenuItem::~MenuItem()
{
    impl_->form.menuItems.erase(impl_->id);
    // The menus themselves go with the window.
}

void Backend::showChecked(MenuItem &item)
{
    // Windows never changes a mark by itself: only this does.
    CheckMenuItem(impl(item).owner, impl(item).id,
                  MF_BYCOMMAND | (item.Checked() ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace platform
