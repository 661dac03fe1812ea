#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/shared/Backend.h"

namespace platform {

int MsgBox(const std::u16string &text, int style, const std::u16string &title)
{
    Backend::showMessageBox(text, style, title.empty() ? std::u16string(App::Title()) : title);
    return 1;
}

} // namespace platform
