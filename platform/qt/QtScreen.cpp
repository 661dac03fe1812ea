#include "platform/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

int Screen::widthInPixels()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size().width() : 0;
}

int Screen::heightInPixels()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size().height() : 0;
}

double Screen::logicalDotsPerInch()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 0;
}

} // namespace platform
