#pragma once

#include <QAction>
#include <QObject>

namespace platform {

// One entry of the window's menu: a command on the bar, a drop-down, a
// submenu, an item or a separator. Its check mark changes only when code sets
// it: choosing the item never toggles it by itself.
class MenuItem : public QObject {
    Q_OBJECT
public:
    // Takes over an action that a QMenuBar or QMenu made. Only items inside a
    // drop-down can carry a check mark.
    MenuItem(QAction *action, bool checkable, bool checked = false);

    QString Caption() const { return action_->text(); }
    bool Checked() const { return checked_; }
    void setChecked(bool checked);
    QAction *action() const { return action_; }

signals:
    void Click();

private:
    QAction *action_;
    bool checked_;
};

} // namespace platform
