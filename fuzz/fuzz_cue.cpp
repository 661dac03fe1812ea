// Feeds arbitrary bytes to the game's cue loader: a cue file written from the input, opened,
// played and closed the way the game does on every jump and shot.
#include "platform/MMControl.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace {

platform::MMControl *control = nullptr;
QString cuePath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    static QTemporaryDir dir;
    cuePath = dir.filePath(QStringLiteral("Cat2.wav"));
    control = new platform::MMControl;
    if (!platform::MMControl::hasAudioDevice())
        std::abort(); // every input would be silent and prove nothing
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QFile file(cuePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    control->setCommand(u"Stop");
    control->setCommand(u"Close");
    control->setFileName(cuePath.toStdU16String());
    control->setCommand(u"Open");
    control->setCommand(u"Play");
    // A look at the running cue, as the wait after a shot takes it; never the whole cue.
    if (control->Mode() == platform::MMControl::kModePlay)
        control->waitForModeChange(std::chrono::milliseconds(1));
    control->setCommand(u"Close");
    return 0;
}
