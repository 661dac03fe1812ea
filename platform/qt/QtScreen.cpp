#include "platform/shared/Backend.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

int Backend::screenWidthInPixels()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size().width() : 0;
}

int Backend::screenHeightInPixels()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size().height() : 0;
}

double Backend::screenDotsPerInch()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 0;
}

} // namespace platform
