#include "platform/Screen.h"

namespace platform {

double Screen::TwipsPerPixel() { return twipsPerPixelAt(logicalDotsPerInch()); }

float Screen::Width() { return toTwips(widthInPixels()); }

float Screen::Height() { return toTwips(heightInPixels()); }

int toPixels(float twips) { return toPixels(twips, Screen::TwipsPerPixel()); }

float toTwips(int pixels) { return static_cast<float>(pixels * Screen::TwipsPerPixel()); }

} // namespace platform
