// What the browser backend promises on its own, before any page: keys reach the
// game as the desktop's key codes on any layout and with an input method on;
// timers keep their beat and come once after a hold; what came due first is
// delivered first; and a cue's end is counted once, whether it was heard or cut off.
#include "Check.h"

#include "platform/KeyCodes.h"
#include "platform/web/AudioBookkeeping.h"
#include "platform/web/EventOrder.h"
#include "platform/web/TickSchedule.h"
#include "platform/web/WebKeys.h"

using namespace platform;
using namespace platform::web;

TEST(keysArriveAsTheDesktopsKeyCodes)
{
    const struct {
        int keyCode;
        const char *code;
        int expected;
    } rows[] = {
        {70, "KeyF", 'F'},
        {74, "KeyJ", 'J'},
        {32, "Space", vbKeySpace},
        {27, "Escape", vbKeyEscape},
        {13, "Enter", vbKeyReturn},
        {9, "Tab", vbKeyTab},
        {18, "AltLeft", vbKeyMenu},
        {121, "F10", vbKeyF1 + 9},
        // A Japanese input method that has the keys says 229 for each: the place counts.
        {229, "KeyF", 'F'},
        {229, "KeyJ", 'J'},
        {229, "Space", vbKeySpace},
        {229, "Digit3", '3'},
        {229, "Escape", vbKeyEscape},
        // The main row's digits are the digits on AZERTY (unshifted "&é\"'(") and with Shift.
        {0, "Digit1", '1'},
        {49, "Digit1", '1'},
        {222, "Digit4", '4'},
        // The keypad's digits are no speed keys; without Num Lock they are End, Down...
        {97, "Numpad1", vbKeyNumpad0 + 1},
        {35, "Numpad1", 35},
        // A layout's own letters go by the layout, as on the desktop (Dvorak's U on KeyF)...
        {85, "KeyF", 'U'},
        // ...but a letter key to which a layout gives no Latin letter goes by its place.
        {0, "KeyJ", 'J'},
        {186, "KeyF", 'F'},
        // Keys the game has no code for.
        {229, "Unidentified", 0},
        {0, "", 0},
    };
    for (const auto &row : rows)
        CHECK_EQ(virtualKeyCode(row.keyCode, row.code), row.expected);
}

TEST(modifiersBecomeTheShiftMask)
{
    CHECK_EQ(shiftMask(0), 0);
    CHECK_EQ(shiftMask(kPageShift), vbShiftMask);
    CHECK_EQ(shiftMask(kPageCtrl), vbCtrlMask);
    CHECK_EQ(shiftMask(kPageAlt), vbAltMask);
    CHECK_EQ(shiftMask(kPageShift | kPageCtrl | kPageAlt), vbShiftMask + vbCtrlMask + vbAltMask);
}

TEST(ticksKeepTheirBeatAndComeOnceAfterAHold)
{
    TickSchedule timer;
    CHECK(!timer.take(1000)); // not started
    timer.start(1000, 250);
    CHECK_EQ(timer.due(), 1250.0);
    CHECK(!timer.take(1249.9));
    CHECK(timer.take(1253));       // 3 ms late...
    CHECK_EQ(timer.due(), 1500.0); // ...and the next is not
    CHECK(!timer.take(1253));
    // A hold of 1.1 s: the ticks that fell due in it come as one, on the beat afterwards.
    CHECK(timer.take(2610));
    CHECK(!timer.take(2610));
    CHECK_EQ(timer.due(), 2750.0);
    // A new period counts from now.
    timer.start(2700, 500);
    CHECK_EQ(timer.due(), 3200.0);
    timer.stop();
    CHECK(!timer.running());
    CHECK(!timer.take(5000));
}

TEST(whatCameDueFirstGoesFirst)
{
    // Nothing running, nothing queued: sleep until the page has something.
    Step step = nextStep(100, std::nullopt, std::nullopt);
    CHECK_EQ(step.kind, Step::Sleep);
    CHECK_EQ(step.sleepMs, -1.0);
    // A tick ahead: sleep until it.
    step = nextStep(100, 350.0, std::nullopt);
    CHECK_EQ(step.kind, Step::Sleep);
    CHECK_EQ(step.sleepMs, 250.0);
    // An event comes at once, even with a tick ahead.
    CHECK_EQ(nextStep(100, 350.0, 90.0).kind, Step::Event);
    // After a hold: the tick that fell due before the key press first, then the key.
    CHECK_EQ(nextStep(900, 250.0, 400.0).kind, Step::Tick);
    CHECK_EQ(nextStep(900, 500.0, 400.0).kind, Step::Event);
    CHECK_EQ(nextStep(900, 900.0, std::nullopt).kind, Step::Tick);
}

TEST(everyCueEndsOnceWhetherHeardOrCutOff)
{
    struct Sound {};
    Sound chime, buzzer;
    audio::Bookkeeping<Sound> book;
    CHECK(book.firstUser());
    CHECK(!book.firstUser());
    CHECK(!book.lastUser());

    book.started(&chime, 1);
    CHECK(book.current() == &chime);
    book.voiceEnded(2); // not this voice
    CHECK_EQ(book.endings(), 0u);
    book.voiceEnded(1); // heard to its end
    CHECK_EQ(book.endings(), 1u);
    CHECK(book.current() == nullptr);
    book.voiceEnded(1); // told twice, counted once
    CHECK_EQ(book.endings(), 1u);

    // A cue cut off by the next is counted then; the page's late word about it is not.
    book.started(&chime, 2);
    CHECK(book.cutOff());
    book.started(&buzzer, 3);
    book.voiceEnded(2);
    CHECK_EQ(book.endings(), 2u);
    CHECK(book.current() == &buzzer);
    book.voiceEnded(3);
    CHECK_EQ(book.endings(), 3u);
    CHECK(!book.cutOff()); // nothing on the device: nothing to stop

    CHECK(book.lastUser());
}
