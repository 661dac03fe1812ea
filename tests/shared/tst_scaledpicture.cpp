// The cat at the size it is shown: scaled once for each size and picture, since
// it is repainted at every jump, and never shown at a size it no longer has.
#include "Check.h"

#include "platform/shared/ScaledPicture.h"

#include <memory>
#include <utility>

TEST(theCatIsScaledOncePerSizeAndPictureAndAfterAFailure)
{
    using Scaled = std::unique_ptr<std::pair<int, int>>; // its width and height
    int calls = 0;
    bool fails = false;
    const auto scale = [&](int width, int height) {
        ++calls;
        return fails ? Scaled() : std::make_unique<std::pair<int, int>>(width, height);
    };
    platform::ScaledPicture<Scaled> cat;
    for (int paint = 0; paint < 3; ++paint)
        CHECK_EQ(cat.at(89, 73, scale)->first, 89);
    CHECK_EQ(calls, 1);
    CHECK_EQ(cat.at(120, 73, scale)->first, 120); // the window grew
    CHECK_EQ(cat.at(120, 90, scale)->second, 90);
    CHECK_EQ(calls, 3);
    cat.forget(); // another picture
    fails = true;
    CHECK(!cat.at(120, 90, scale));
    fails = false;
    CHECK(cat.at(120, 90, scale) != nullptr); // a failed scaling is tried again
    CHECK_EQ(calls, 5);
}
