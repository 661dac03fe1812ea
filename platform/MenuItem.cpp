#include "platform/MenuItem.h"

namespace platform {

MenuItem::MenuItem(QAction *action, bool checkable, bool checked)
    : QObject(action), action_(action), checked_(checked)
{
    // Checkable so that the mark can be shown; QAction flips that mark itself
    // before triggered() is emitted, so it is put back before Click runs.
    action_->setCheckable(checkable);
    action_->setChecked(checked_);
    connect(action_, &QAction::triggered, this, [this] {
        action_->setChecked(checked_);
        emit Click();
    });
}

void MenuItem::setChecked(bool checked)
{
    checked_ = checked;
    action_->setChecked(checked);
}

} // namespace platform
