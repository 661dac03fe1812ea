#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/shared/Backend.h"

namespace platform {

int MsgBox(const std::u16string &text, int style, const std::u16string &title)
{
    return Backend::showMessageBox(text, style,
                                   title.empty() ? std::u16string(App::Title()) : title);
}

} // namespace platform
