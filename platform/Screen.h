#pragma once

namespace platform {

// Positions and sizes are kept in twips, 1440 to the logical inch: 15 to a
// pixel at 96 dpi. Only the platform turns them into pixels.
double twipsPerPixel();
int toPixels(float twips);
float toTwips(int pixels);

// The size of the primary screen, in twips.
struct Screen {
    static float Width();
    static float Height();
};

} // namespace platform
