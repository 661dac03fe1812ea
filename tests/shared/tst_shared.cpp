// The toolkit-free services every backend shares (the number texts are the game's captions'
// to check): UTF-16 and UTF-8, twips and pixels, the random slots and the error report's text.
#include "Check.h"

#include "platform/Runtime.h"
#include "platform/Screen.h"
#include "platform/Services.h"
#include "platform/shared/Text.h"

using namespace platform;

TEST(textCrossesToUtf8AndBack)
{
    // Katakana names reach the file system as those characters; a cat beyond the
    // basic plane needs two UTF-16 units.
    for (const std::u16string name : {u"ピンポン.wav", u"🐈 Cat0.wav"})
        CHECK_EQ(fromUtf8(toUtf8(name)), name);
    CHECK_EQ(toUtf8(u"ブー"), std::string("\xE3\x83\x96\xE3\x83\xBC"));
    // Whatever the standard library says, the report can show it.
    CHECK_EQ(fromUtf8("bad \xFF byte, cut \xE3\x83"), u"bad \uFFFD byte, cut \uFFFD\uFFFD");
    CHECK_EQ(fromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD"); // an overlong '/'
}

TEST(twipsBecomePixelsEdgeByEdge)
{
    CHECK_EQ(twipsPerPixelAt(144), 10.0);
    CHECK_EQ(twipsPerPixelAt(0), 15.0); // a screen that gives no resolution
    // The label of key 4 on a 1024 x 768 screen: its bottom edge rounds to 184,
    // so it is 30 pixels high, not the 31 its own height would round to.
    CHECK(toPixelRect(512, 2304, 3840, 460.8f, 15) == (PixelRect{34, 154, 256, 30}));
    // Neighbours meet without a gap or an overlap wherever their edges fall.
    for (float left = 0; left < 100; left += 7.3f) {
        const PixelRect a = toPixelRect(left, 0, 22.2f, 10, 15);
        const PixelRect b = toPixelRect(left + 22.2f, 0, 22.2f, 10, 15);
        CHECK_EQ(a.x + a.width, b.x);
    }
    CHECK(toPixelRect(100, 100, -50, -50, 15) == (PixelRect{7, 7, 0, 0}));
}

TEST(randomNumbersAreRepeatableAndSeededByTheClock)
{
    const auto draw = [] {
        std::u16string slots;
        for (int i = 0; i < 200; ++i) {
            const double r = Rnd();
            CHECK(r >= 0 && r < 1);
            slots += CStr(static_cast<long>(r * 5));
        }
        return slots;
    };
    Randomize(42);
    const std::u16string first = draw();
    Randomize(42);
    CHECK_EQ(draw(), first); // every column, evenly: the cat's jumps (tst_form)
    Randomize();
    const std::u16string seeded = draw();
    Randomize();
    CHECK(draw() != seeded); // the clock seeds every round afresh
}

TEST(errorReportNamesTheNumberAndTheFile)
{
    CHECK_EQ(RuntimeError(kErrFileNotFound, u"ファイルが見つかりません。", u"Cat.gif").reportText(),
             u"実行時エラー '53':\n\nファイルが見つかりません。\nCat.gif");
    CHECK_EQ(RuntimeError(kErrOutOfMemory, u"メモリが不足しています。").reportText(),
             u"実行時エラー '7':\n\nメモリが不足しています。");
    CHECK_EQ(std::string(RuntimeError(kErrInvalidPicture, u"ピクチャが不正です。").what()),
             toUtf8(u"ピクチャが不正です。"));
}
