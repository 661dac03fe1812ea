#include "platform/Services.h"
#include "platform/shared/Backend.h"

namespace platform {

void Clipboard::Clear() { Backend::clearClipboard(); }

// Plain text is the only format the game puts there.
void Clipboard::SetText(const std::u16string &text, int) { Backend::setClipboardText(text); }

} // namespace platform
