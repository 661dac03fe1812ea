#include "platform/Screen.h"

#include <algorithm>
#include <cmath>

namespace platform {

double twipsPerPixelAt(double dotsPerInch)
{
    return 1440.0 / (dotsPerInch > 0 ? dotsPerInch : 96.0);
}

int toPixels(float twips, double twipsPerPixel)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

PixelRect toPixelRect(float left, float top, float width, float height, double twipsPerPixel)
{
    const int x = toPixels(left, twipsPerPixel);
    const int y = toPixels(top, twipsPerPixel);
    return {x, y, std::max(0, toPixels(left + width, twipsPerPixel) - x),
            std::max(0, toPixels(top + height, twipsPerPixel) - y)};
}

} // namespace platform
