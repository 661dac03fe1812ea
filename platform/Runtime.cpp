#include "platform/Runtime.h"

#include "platform/Services.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace platform {

RuntimeError::RuntimeError(int number, const QString &description, const QString &fileName)
    : std::runtime_error(description.toStdString()), number_(number), description_(description),
      fileName_(fileName)
{
}

QString RuntimeError::reportText() const
{
    QString text = QStringLiteral("実行時エラー '%1':\n\n%2").arg(number_).arg(description_);
    if (!fileName_.isEmpty())
        text += QLatin1Char('\n') + fileName_;
    return text;
}

namespace {
bool ending = false;
}

bool isEnding() { return ending; }

void reportErrorAndEnd(const RuntimeError &error)
{
    ending = true;
    // Also on stderr, so that a run without anyone at the screen still says why it ended.
    std::fprintf(stderr, "%s: %s\n", qPrintable(kAppTitle),
                 qPrintable(error.reportText().replace(QLatin1Char('\n'), QLatin1Char(' '))));
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        MsgBox(error.reportText(), vbCritical);
    End(1);
}

void End(int exitStatus)
{
    std::fflush(nullptr);
    // At once: no event, timer or destructor of the game runs after this. Only
    // handlers registered with std::at_quick_exit run; the game registers none.
    std::quick_exit(exitStatus);
}

} // namespace platform
