#pragma once

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// Error numbers the platform raises.
enum ErrorNumber {
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrInternal = 51,
    kErrFileNotFound = 53,
    kErrInvalidPicture = 481,
};

// A run-time error of the game. Nothing in the game catches it: it travels to
// the event that started it, where guarded() reports it and ends the program.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, std::u16string description, std::u16string fileName = {});
    int number() const { return number_; }
    const std::u16string &description() const { return description_; }
    const std::u16string &fileName() const { return fileName_; }
    // The text of the error report, e.g. "実行時エラー
    // '53':\n\nファイルが見つかりません。\nCat.gif".
    std::u16string reportText() const;

private:
    int number_;
    std::u16string description_;
    std::u16string fileName_;
};

// Shows the error report in a modal box captioned with the application title,
// and on the standard error stream, then ends the program with status 1.
[[noreturn]] void reportErrorAndEnd(const RuntimeError &error);

// Ends the program at once: no further event, timer or destructor of the game runs.
[[noreturn]] void End(int exitStatus = 0);

// True once an error report is on screen: the program is ending, and no
// further handler of the game may run behind the report, not even a timer's.
bool isEnding();

// The description of an error of the standard library, as the report shows it.
std::u16string internalErrorText(const std::exception &error);

// Runs one event handler of the game. An error it does not catch is reported
// here, so that no exception ever crosses the window system's event loop.
template <typename Handler> void guarded(Handler &&handler) noexcept
{
    if (isEnding())
        return;
    try {
        std::forward<Handler>(handler)();
    } catch (const RuntimeError &error) {
        reportErrorAndEnd(error);
    } catch (const std::bad_alloc &) {
        reportErrorAndEnd(RuntimeError(kErrOutOfMemory, u"メモリが不足しています。"));
    } catch (const std::exception &error) {
        reportErrorAndEnd(RuntimeError(kErrInternal, internalErrorText(error)));
    }
}

} // namespace platform
