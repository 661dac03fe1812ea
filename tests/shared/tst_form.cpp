// The game's own window on a backend that shows nothing, in every build: the keys a touch
// player gets from the panel's captions; shots aimed by ear, judged by the jump the player
// heard through their sound's delay; the delay measured with a steady beat; and the delay
// as the next run reads it back.
#include "Check.h"
#include "FakeBackend.h"
#include "Files.h"

#include "platform/KeyCodes.h"
#include "platform/Services.h"
#include "platform/shared/Backend.h"
#include "platform/shared/KeyCaptions.h"
#include "window/Form1.h"

#include <algorithm>

using namespace platform;
using namespace std::chrono_literals;
using fakebackend::screen;

namespace {

const std::u16string kDelaySetting = u"ropi/Sound/Delay";

// The window loaded as a run starts it, with these settings kept from the last run.
std::unique_ptr<Form1> loadedGame(std::map<std::u16string, std::u16string> settings = {})
{
    fakebackend::reset();
    screen() = {};
    screen().settings = std::move(settings);
    auto form = std::make_unique<Form1>();
    form->Load();
    return form;
}

void press(Form1 &form, std::int16_t key, Moment at) { Backend::keyDown(form, key, {}, at); }
void tick(Form1 &form, void (Form1::*handler)(), Moment at)
{
    handleEvent(at, [&] { (form.*handler)(); });
}

} // namespace

TEST(everyKeyOnThePanelHasATouchButton)
{
    const auto form = loadedGame();
    std::vector<std::u16string> buttons;
    for (const TouchKey &key : touchKeys(screen().labels))
        buttons.push_back(CStr(key.key.keyCode) + u" " + key.key.words +
                          (key.main ? u" (large)" : u""));
    std::sort(buttons.begin(), buttons.end());
    std::u16string all;
    for (const auto &button : buttons)
        all += button + u"; ";
    CHECK_EQ(all, u"32 スタート; 49 ゆっくり; 50 ふつう; 51 はやい; 52 とてもはやい; "
                  u"53 ろぴが消えたり出たり; 70 真ん中に来たら (large); ");
    // The convention as a caption may also write it, and what is no key caption.
    const auto key = [](std::u16string_view caption) {
        const auto found = keyCaption(caption);
        return found ? CStr(found->keyCode) + u" " + found->words : u"none";
    };
    CHECK_EQ(key(u"　［ Ｆ ］：うつ "), u"70 うつ");
    CHECK_EQ(key(u"[Enter]：リセット"), u"13 リセット");
    for (const char16_t *none : {u"TIME 120", u"[ 1 ]：", u"[ F1 ]：ヘルプ", u"[ 5 ] きえる"})
        CHECK_EQ(key(none), u"none");
}

TEST(shotsByEarAreJudgedByTheJumpThePlayerHeard)
{
    const auto form = loadedGame();
    Randomize(1); // slots 0 0 2 0 1 4 2 0
    const Moment start = audio::Clock::now();
    std::vector<int> points; // what a shot at each jump scores
    for (int jump = 0; jump < 8; ++jump) {
        tick(*form, &Form1::Timer1_Timer, start + jump * 250ms);
        points.push_back(form->catPos == 2 ? 10 : -10);
    }
    CHECK(std::count(points.begin(), points.end(), 10) > 1 && points[6] != points[7]);
    const auto shot = [&form](Moment pressed) {
        const int before = form->score;
        press(*form, vbKeyA + ('F' - 'A'), pressed);
        return form->score - before;
    };
    // Shown, the cat is judged where it stands, whatever the delay.
    form->soundDelay = 300;
    CHECK_EQ(shot(start + 6 * 250ms + 300ms), points[7]);
    form->ToggleCatVisible();
    for (int jump = 1; jump < 7; ++jump) {
        const Moment heard = start + jump * 250ms + 300ms;
        CHECK_EQ(shot(heard), points[jump]);
        CHECK_EQ(shot(heard + 140ms), points[jump]);
        CHECK_EQ(shot(heard - 90ms), points[jump]);      // a little sooner than usual
        CHECK_EQ(shot(heard - 120ms), points[jump - 1]); // sooner still: the jump before
    }
    form->soundDelay = 1000; // four jumps back at the fastest beat
    CHECK_EQ(shot(start + 2 * 250ms + 1000ms), points[2]);
    form->soundDelay = 0; // never measured: where the cat stands
    CHECK_EQ(shot(start + 6 * 250ms), points[7]);
}

TEST(theDelayIsMeasuredWithASteadyBeat)
{
    testfiles::Folder folder;
    folder.write(u"Cat.gif", testfiles::catPicture());
    // How late each beat's presses come, in ms: a missed beat, a double press, an early one.
    const std::vector<std::vector<int>> answers{{310}, {},    {290},  {300, 340},
                                                {700}, {250}, {-100}, {330}};
    struct Case {
        std::deque<int> boxes; // the buttons the boxes are closed with
        int escapeAtBeat;      // -1: none
        std::size_t answered;  // of the beats above
        bool writable;
        std::u16string kept;
    };
    for (const Case &run :
         {Case{{vbYes, vbOK}, -1, 8, true, u"300"}, Case{{vbYes, vbOK}, -1, 8, false, u"120"},
          Case{{vbYes, vbCancel}, -1, 8, true, u"120"}, Case{{vbYes}, 5, 8, true, u"120"},
          Case{{vbYes}, -1, 4, true, u"120"}, // three answers measure nothing
          Case{{vbNo}, -1, 0, true, u"0"}, Case{{vbCancel}, -1, 0, true, u"120"}}) {
        const auto form = loadedGame({{kDelaySetting, u"120"}});
        screen().answers = run.boxes;
        screen().settingsWritable = run.writable;
        form->mnuDelay.Click.raise();
        const bool measuring = run.boxes.front() == vbYes;
        CHECK_EQ(form->Timer3.Enabled(), measuring);
        if (measuring) {
            CHECK(!form->mnuDelay.Enabled());
            const Moment start = audio::Clock::now();
            press(*form, vbKeyA + ('J' - 'A'), start - 500ms); // answers no beat
            for (int beat = 0; beat < 8 && form->Timer3.Enabled(); ++beat) {
                const Moment at = start + beat * rules::kMeasuringBeat;
                tick(*form, &Form1::Timer3_Timer, at);
                press(*form, vbKeySpace, at); // no round starts meanwhile
                for (const int late :
                     std::size_t(beat) < run.answered ? answers[beat] : std::vector<int>{})
                    press(*form, vbKeyA + ('F' - 'A'), at + std::chrono::milliseconds(late));
                if (beat == run.escapeAtBeat)
                    press(*form, vbKeyEscape, at);
            }
            if (form->Timer3.Enabled())
                tick(*form, &Form1::Timer3_Timer, start + 8 * rules::kMeasuringBeat);
            CHECK(!form->Timer1.Enabled() && !form->Timer3.Enabled() && form->mnuDelay.Enabled());
        }
        CHECK_EQ(screen().settings[kDelaySetting], run.kept);
        CHECK_EQ(form->soundDelay, run.writable ? rules::soundDelayFrom(run.kept) : 300);
        if (run.boxes.size() == 2)
            CHECK(screen().boxes.back().text.starts_with(u"音のずれ：300 ms"));
    }
    // Chosen during a round, the measurement would disturb it: the item waits for its end.
    const auto form = loadedGame();
    form->StartRound();
    CHECK(!form->mnuDelay.Enabled());
    while (form->Timer2.Enabled())
        form->Timer2_Timer();
    CHECK(form->mnuDelay.Enabled());
}

TEST(aStoredDelayIsTakenOnlyWhenItIsOne)
{
    for (const auto &[stored, delay] : std::vector<std::pair<std::u16string, int>>{{u"210", 210},
                                                                                   {u"1000", 1000},
                                                                                   {u"0", 0},
                                                                                   {u"1001", 0},
                                                                                   {u"5000", 0},
                                                                                   {u"-5", 0},
                                                                                   {u"abc", 0},
                                                                                   {u"", 0},
                                                                                   {u"2l0", 0},
                                                                                   {u"99999", 0},
                                                                                   {u" 210", 0}})
        CHECK_EQ(loadedGame({{kDelaySetting, stored}})->soundDelay, delay);
}
