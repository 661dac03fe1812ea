#pragma once

#include "platform/Event.h"

#include <memory>
#include <string>

namespace platform {

class Form;

// One entry of the window's menu: a command or a drop-down on the bar, or an
// item, a submenu or a separator (caption "-") inside a drop-down. An entry
// becomes a drop-down or a submenu when items are made inside it. Its check
// mark changes only when code sets it: choosing the item never toggles it. A
// backend completes it (platform/shared/Backend.h).
class MenuItem {
public:
    // The next entry on the window's menu bar.
    MenuItem(Form &form, std::u16string caption);
    // The next entry inside the drop-down or submenu of another.
    MenuItem(MenuItem &menu, std::u16string caption, bool checked = false);
    MenuItem(const MenuItem &) = delete;
    MenuItem &operator=(const MenuItem &) = delete;

    const std::u16string &Caption() const { return caption_; }
    bool Checked() const { return checked_; }
    void setChecked(bool checked);
    // A disabled entry is greyed and cannot be chosen.
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isSeparator() const { return caption_ == u"-"; }

    Event Click;

    struct Impl; // the backend's menu entry
    struct Ends {
        void operator()(Impl *impl) const; // ends it through Backend::end
    };

private:
    friend struct Backend;
    std::u16string caption_;
    bool checked_;
    bool enabled_ = true;
    std::unique_ptr<Impl, Ends> impl_;
};

} // namespace platform
