// The cat at the size it is shown: scaled once for each size and picture, since
// it is repainted at every jump, and never shown at a size it no longer has.
#include "Check.h"

#include "platform/ScaledPicture.h"

#include <functional>
#include <memory>

namespace {

struct Scaled {
    int width, height;
};

// Counts the scalings; fails them while asked to.
struct Scaler {
    int calls = 0;
    bool fails = false;
    std::unique_ptr<Scaled> operator()(int width, int height)
    {
        ++calls;
        return fails ? nullptr : std::make_unique<Scaled>(Scaled{width, height});
    }
};

} // namespace

TEST(theCatIsScaledOncePerSizeAndPicture)
{
    platform::ScaledPicture<std::unique_ptr<Scaled>> cat;
    Scaler scale;
    for (int paint = 0; paint < 3; ++paint)
        CHECK_EQ(cat.at(89, 73, std::ref(scale))->width, 89);
    CHECK_EQ(scale.calls, 1);
    CHECK_EQ(cat.at(120, 73, std::ref(scale))->width, 120); // the window grew
    CHECK_EQ(cat.at(120, 90, std::ref(scale))->height, 90);
    CHECK_EQ(scale.calls, 3);
    cat.forget(); // another picture
    cat.at(120, 90, std::ref(scale));
    CHECK_EQ(scale.calls, 4);
}

TEST(aScalingThatFailedIsTriedAgain)
{
    platform::ScaledPicture<std::unique_ptr<Scaled>> cat;
    Scaler scale{0, true};
    CHECK(!cat.at(89, 73, std::ref(scale)));
    scale.fails = false;
    CHECK(cat.at(89, 73, std::ref(scale)) != nullptr);
    CHECK_EQ(scale.calls, 2);
}
