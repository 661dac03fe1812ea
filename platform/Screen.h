#pragma once

namespace platform {

// Positions and sizes are kept in twips, 1440 to the logical inch: 15 to a
// pixel at 96 dpi. Only the platform turns them into pixels.
struct Screen {
    // The size of the primary screen, in twips.
    static float Width();
    static float Height();
    static double TwipsPerPixel();
};

// Twips to the nearest pixel on the primary screen, and back.
int toPixels(float twips);
float toTwips(int pixels);

// Where a rectangle in twips lies in pixels. Its edges are rounded rather than its size, so
// that neighbouring controls meet without gaps; it is never less than empty.
struct PixelRect {
    int x, y, width, height;
    bool operator==(const PixelRect &) const = default;
};
PixelRect toPixelRect(float left, float top, float width, float height, double twipsPerPixel);

// 1440 twips to the logical inch; a screen that gives no dots per inch has 96.
double twipsPerPixelAt(double dotsPerInch);
int toPixels(float twips, double twipsPerPixel);

} // namespace platform
