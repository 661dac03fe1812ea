#include "platform/Runtime.h"

#include "platform/shared/Text.h"

namespace platform {

RuntimeError::RuntimeError(int number, std::u16string description, std::u16string fileName)
    : std::runtime_error(toUtf8(description)), number_(number),
      description_(std::move(description)), fileName_(std::move(fileName))
{
}

std::u16string RuntimeError::reportText() const
{
    std::u16string text =
        u"実行時エラー '" + fromUtf8(std::to_string(number_)) + u"':\n\n" + description_;
    if (!fileName_.empty())
        text += u'\n' + fileName_;
    return text;
}

std::u16string internalErrorText(const std::exception &error) { return fromUtf8(error.what()); }

} // namespace platform
