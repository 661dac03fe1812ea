#include "platform/Screen.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace platform {

double twipsPerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

int toPixels(float twips) { return static_cast<int>(std::lround(twips / twipsPerPixel())); }

float toTwips(int pixels) { return static_cast<float>(pixels * twipsPerPixel()); }

float Screen::Width()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? toTwips(screen->size().width()) : 0.0f;
}

float Screen::Height()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? toTwips(screen->size().height()) : 0.0f;
}

} // namespace platform
