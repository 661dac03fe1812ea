#include "platform/Screen.h"

#include "platform/shared/Backend.h"

namespace platform {

double Screen::TwipsPerPixel() { return twipsPerPixelAt(Backend::screenDotsPerInch()); }

float Screen::Width() { return toTwips(Backend::screenWidthInPixels()); }

float Screen::Height() { return toTwips(Backend::screenHeightInPixels()); }

int toPixels(float twips) { return toPixels(twips, Screen::TwipsPerPixel()); }

float toTwips(int pixels) { return static_cast<float>(pixels * Screen::TwipsPerPixel()); }

} // namespace platform
