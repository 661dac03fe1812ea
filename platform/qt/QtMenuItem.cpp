#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QMenuBar>

namespace platform {

namespace {

// Routes a choice of the entry to its Click. QAction flips a checkable mark
// itself before triggered() is emitted; the mark is put back first, since only
// the game changes it. A menu bar entered with the keyboard (Alt, F10) keeps the
// keyboard focus after a choice, and would keep every key from the game's window:
// the keys go back to the window, as a desktop's menu gives them back.
void connectClick(MenuItem &item)
{
    QObject::connect(&qt::action(item), &QAction::triggered, [&item] {
        qt::action(item).setChecked(item.Checked());
        if (QWidget *focus = QApplication::focusWidget(); qobject_cast<QMenuBar *>(focus))
            focus->clearFocus();
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

void Backend::make(MenuItem &item, Form &form)
{
    item.impl_.reset(new MenuItem::Impl{
        impl(form).menuBar()->addAction(qt::toQString(item.Caption())), nullptr});
    connectClick(item);
}

void Backend::make(MenuItem &item, MenuItem &menu)
{
    QMenu &parent = menuOf(menu);
    QAction *action = item.isSeparator() ? parent.addSeparator()
                                         : parent.addAction(qt::toQString(item.Caption()));
    // Checkable so that the mark can be shown.
    action->setCheckable(!item.isSeparator());
    action->setChecked(item.Checked());
    item.impl_.reset(new MenuItem::Impl{action, nullptr});
    connectClick(item);
}

void Backend::end(MenuItem::Impl *impl)
{
    delete impl->action;
    delete impl; // and the menu that opened from it
}

void Backend::showChecked(MenuItem &item) { impl(item).action->setChecked(item.Checked()); }

void Backend::showEnabled(MenuItem &item) { impl(item).action->setEnabled(item.Enabled()); }

} // namespace platform
