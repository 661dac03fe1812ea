// Feeds arbitrary bytes to the game's picture loader: a Cat.gif written from the input and
// read by platform::LoadPicture, which either returns a picture or raises the runtime error
// the game reports.
#include "platform/Controls.h"
#include "platform/Runtime.h"
#include "platform/qt/QtBackend.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QString picturePath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_LOGGING_RULES", "qt.gui.imageio=false", 0); // one warning per giant input
    static QGuiApplication app(*argc, *argv); // image plugins are found through the application
    static QTemporaryDir dir;
    picturePath = dir.filePath(QStringLiteral("Cat.gif"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QFile file(picturePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    try {
        const platform::Picture picture = platform::LoadPicture(picturePath.toStdU16String());
        if (!platform::Backend::impl(picture) || platform::Backend::impl(picture)->image.isNull())
            std::abort(); // a picture that is no picture must have raised instead
    } catch (const platform::RuntimeError &) {
    }
    return 0;
}
