// What the browser backend promises on its own, before any page: keys reach the
// game as the desktop's key codes on any layout and with an input method on;
// timers keep their beat and come once after a hold; what came due first is
// delivered first; and the sound driver tells the device's books of a cue's end
// only for the cue that sounds, while the game sleeps in the hold of a shot, and
// converts a cue's file once for its bytes.
#include "Check.h"

#include "platform/KeyCodes.h"
#include "platform/shared/Backend.h"
#include "platform/web/EventOrder.h"
#include "platform/web/TickSchedule.h"
#include "platform/web/WebKeys.h"

#include <cstdint>
#include <vector>

using namespace platform;
using namespace platform::web;
using namespace std::chrono_literals;

// The page's side of the sound (page/audio.js), played here: a context at `rate`, voices
// numbered from 1, and, while the game sleeps, the cue's end heard if the test says so.
namespace page {

int rate = 44100;
int voices = 0;
int sounding = 0; // the voice started and not stopped
bool hearsWhileAsleep = false;
std::vector<double> sleeps;                     // how long the game asked to sleep, in ms
std::vector<std::vector<std::int16_t>> buffers; // each conversion, numbered from 1
int played = 0;                                 // the buffer the last voice played

} // namespace page

extern "C" {
void ropi_audio_ended(int voice); // the driver's, in WebAudio.cpp

int ropi_audio_open() { return page::rate; }
void ropi_audio_close() { page::sounding = 0; }
int ropi_audio_load(const std::int16_t *stereo, int frames)
{
    page::buffers.emplace_back(stereo, stereo + 2 * frames);
    return int(page::buffers.size());
}
void ropi_audio_unload(int) {}
int ropi_audio_play(int buffer)
{
    page::played = buffer;
    return page::sounding = ++page::voices;
}
void ropi_audio_stop() { page::sounding = 0; }
void ropi_sleep(double ms, int)
{
    page::sleeps.push_back(ms);
    if (page::hearsWhileAsleep && page::sounding)
        ropi_audio_ended(page::sounding);
}
}

namespace {

// A tenth of a second of silence at 48 kHz, stereo, 16-bit.
const media::WavFormat kCue{media::WavFormat::kPcm, 2, 48000, 16, 4, 44, 19200};
const media::Bytes kCueFile(44 + 19200);

} // namespace

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

TEST(theHeldModifiersAreThoseThePageSaw)
{
    const Backend::Modifiers none = heldModifiers(0);
    CHECK(!none.shift && !none.ctrl && !none.alt);
    const Backend::Modifiers ctrlAlt = heldModifiers(kCtrl | kAlt);
    CHECK(!ctrlAlt.shift && ctrlAlt.ctrl && ctrlAlt.alt);
    const Backend::Modifiers shift = heldModifiers(kShift);
    CHECK(shift.shift && !shift.ctrl && !shift.alt);
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

TEST(aCueLastsAsLongAtTheContextsOwnRate)
{
    audio::acquire();
    CHECK_EQ(audio::bytesPerSecond(), 44100.0 * 4);
    audio::Sound *cue = audio::load(kCue, kCueFile);
    const auto length = std::chrono::duration<double, std::milli>(audio::length(cue)).count();
    CHECK(length > 99.9 && length < 100.1);
    audio::unload(cue);
    audio::release();
}

// The page's word that a cue was heard comes a moment after it played out; the next cue may
// have cut it off and started meanwhile.
TEST(theWordOfACueCutOffIsNotTakenForTheNextOnesEnd)
{
    audio::acquire();
    audio::Sound *chime = audio::load(kCue, kCueFile);
    audio::Sound *buzzer = audio::load(kCue, kCueFile);
    const std::uint64_t before = audio::play(chime).value();
    const int chimeVoice = page::sounding;
    CHECK_EQ(audio::play(buzzer).value(), before + 1); // the chime cut off
    ropi_audio_ended(chimeVoice);
    CHECK(audio::isSounding(buzzer) && audio::endings() == before + 1);
    ropi_audio_ended(page::sounding);
    CHECK(!audio::isSounding(buzzer) && audio::endings() == before + 2);
    audio::unload(chime);
    audio::unload(buzzer);
    audio::release();
}

TEST(theHoldSleepsUntilThePageHearsTheCueOrItsDeadline)
{
    audio::acquire();
    audio::Sound *cue = audio::load(kCue, kCueFile);
    const std::uint64_t before = audio::play(cue).value();
    page::sleeps.clear();
    page::hearsWhileAsleep = true;
    audio::waitForEnding(before, audio::now() + 10s);
    CHECK_EQ(audio::endings(), before + 1);
    CHECK(page::sleeps.size() == 1 && page::sleeps[0] > 9000 && page::sleeps[0] <= 10000);

    // A page that never says: the hold ends at its deadline, and sleeps no further.
    audio::play(cue);
    page::hearsWhileAsleep = false;
    page::sleeps.clear();
    const auto deadline = audio::now() + 20ms;
    audio::waitForEnding(before + 1, deadline);
    CHECK(audio::now() >= deadline && !page::sleeps.empty());
    for (const double ms : page::sleeps)
        CHECK(ms > 0 && ms <= 20);
    audio::unload(cue);
    audio::release();
}

// The game reads a cue's file at each play: bytes played before are not converted again, and a
// file changed (on the server) is played in its new form.
TEST(aCueIsConvertedOnceForItsBytesAndAgainWhenTheyChange)
{
    audio::acquire();
    const std::size_t before = page::buffers.size();
    media::Bytes loud = kCueFile;
    loud[45] = loud[47] = 0x40; // the first frame
    const media::Bytes &changed = loud;
    for (const media::Bytes *file : {&kCueFile, &kCueFile, &kCueFile, &changed, &kCueFile}) {
        audio::Sound *cue = audio::load(kCue, *file);
        audio::play(cue);
        CHECK_EQ(page::buffers[std::size_t(page::played) - 1][0], file == &changed ? 16384 : 0);
        audio::unload(cue);
    }
    CHECK_EQ(page::buffers.size(), before + 2);
    audio::release();
}
