#include "platform/qt/QtBackend.h"

#include <QMenuBar>

namespace platform {

namespace {

// Routes a choice of the entry to its Click. QAction flips a checkable mark
// itself before triggered() is emitted; the mark is put back first, since only
// the game changes it.
void connectClick(MenuItem &item)
{
    QObject::connect(&qt::action(item), &QAction::triggered, [&item] {
        qt::action(item).setChecked(item.Checked());
        item.Click.raise();
    });
}

// The menu that opens from the entry, made when the first item goes inside it.
QMenu &menuOf(MenuItem &item)
{
    MenuItem::Impl &impl = Backend::impl(item);
    if (!impl.menu) {
        impl.menu = std::make_unique<QMenu>(impl.action->text());
        impl.action->setCheckable(false);
        impl.action->setMenu(impl.menu.get());
    }
    return *impl.menu;
}

} // namespace

MenuItem::MenuItem(Form &form, std::u16string caption)
    : caption_(std::move(caption)), checked_(false)
{
    impl_ = std::make_unique<Impl>(
        Impl{Backend::impl(form).menuBar()->addAction(qt::toQString(caption_)), nullptr});
    connectClick(*this);
}

MenuItem::MenuItem(MenuItem &menu, std::u16string caption, bool checked)
    : caption_(std::move(caption)), checked_(checked)
{
    QMenu &parent = menuOf(menu);
    QAction *action =
        isSeparator() ? parent.addSeparator() : parent.addAction(qt::toQString(caption_));
    // Checkable so that the mark can be shown.
    action->setCheckable(!isSeparator());
    action->setChecked(checked_);
    impl_ = std::make_unique<Impl>(Impl{action, nullptr});
    connectClick(*this);
}

MenuItem::~MenuItem()
{
    delete impl_->action;
    impl_->menu.reset();
}

void Backend::showChecked(MenuItem &item) { impl(item).action->setChecked(item.Checked()); }

} // namespace platform
