#pragma once

// An Image's picture at the size it is shown, for the backends that draw it
// themselves. The cat is repainted at every jump; scaling it anew each time would
// cost more than the rest of the jump together, so it is scaled once per size or
// picture.

namespace platform {

// Bitmap is the backend's scaled picture, empty when scaling failed: an owning pointer.
template <typename Bitmap> class ScaledPicture {
public:
    // The picture at this size, from scale(width, height) when the size changed, the picture
    // changed, or the last scaling failed.
    template <typename Scale> const Bitmap &at(int width, int height, Scale &&scale)
    {
        if (!bitmap_ || width != width_ || height != height_) {
            bitmap_ = scale(width, height);
            width_ = width;
            height_ = height;
        }
        return bitmap_;
    }

    // The picture changed.
    void forget() { bitmap_ = Bitmap(); }

private:
    Bitmap bitmap_{};
    int width_ = 0, height_ = 0;
};

} // namespace platform
