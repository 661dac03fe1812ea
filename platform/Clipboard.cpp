#include "platform/Backend.h"
#include "platform/Services.h"

namespace platform {

void Clipboard::Clear() { Backend::clearClipboard(); }

// Plain text is the only format the game puts there.
void Clipboard::SetText(const std::u16string &text, int) { Backend::setClipboardText(text); }

} // namespace platform
