#pragma once

#include <QString>

#include <stdexcept>
#include <utility>

namespace platform {

// The application title: the caption of message boxes that have no title of
// their own and of the error report below.
inline const QString kAppTitle = QStringLiteral("ropi1");

// A run-time error of the game. Nothing in the game catches it: it travels to
// the event that started it, where guarded() reports it and ends the program.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const QString &description, const QString &fileName = {});
    int number() const { return number_; }
    QString description() const { return description_; }
    QString fileName() const { return fileName_; }
    // The text of the error report, e.g. "実行時エラー
    // '53':\n\nファイルが見つかりません。\nCat.gif".
    QString reportText() const;

private:
    int number_;
    QString description_;
    QString fileName_;
};

// Error numbers the platform raises.
enum ErrorNumber {
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrFileNotFound = 53,
    kErrInvalidPicture = 481,
    kErrInternal = 51,
};

// Shows the error report in a modal box captioned with the application title,
// then ends the program with a non-zero status.
[[noreturn]] void reportErrorAndEnd(const RuntimeError &error);

// Ends the program at once: no further event of the game runs.
[[noreturn]] void End(int exitStatus = 0);

// True once an error report is on screen: the program is ending, and no
// further handler of the game may run behind the report, not even a timer's.
bool isEnding();

// Runs one event handler of the game. An error it does not catch is reported
// here, so that no exception ever crosses Qt's event loop.
template <typename Handler> void guarded(Handler &&handler) noexcept
{
    if (isEnding())
        return;
    try {
        std::forward<Handler>(handler)();
    } catch (const RuntimeError &error) {
        reportErrorAndEnd(error);
    } catch (const std::bad_alloc &) {
        reportErrorAndEnd(
            RuntimeError(kErrOutOfMemory, QStringLiteral("メモリが不足しています。")));
    } catch (const std::exception &error) {
        reportErrorAndEnd(RuntimeError(kErrInternal, QString::fromLocal8Bit(error.what())));
    }
}

} // namespace platform
