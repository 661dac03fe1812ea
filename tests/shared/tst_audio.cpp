// The audio device's books, kept once for every backend's sound driver: one
// opening for all the controls, every sound's ending counted exactly once
// whoever reports it, and a waiter woken by the ending of its cue.
#include "Check.h"
#include "FakeBackend.h"

#include "platform/shared/Backend.h"

using namespace platform;
using namespace std::chrono_literals;

const media::WavFormat kCue{media::WavFormat::kPcm, 2, 48000, 16, 4, 44, 19200}; // 0.1 s

TEST(theDeviceOpensOnceForAllItsUsers)
{
    fakebackend::reset();
    audio::acquire();
    audio::acquire();
    CHECK(audio::isOpen() && fakebackend::opens() == 1);
    audio::release();
    CHECK(audio::isOpen() && fakebackend::closes() == 0);
    audio::release();
    CHECK(!audio::isOpen() && fakebackend::closes() == 1);

    fakebackend::reset({.opens = false});
    audio::acquire();
    CHECK(!audio::isOpen() && audio::load(kCue, {}) == nullptr);
    CHECK_EQ(audio::bytesPerSecond(), 0.0);
    audio::release();
    CHECK_EQ(fakebackend::closes(), 0); // what never opened is not closed
}

TEST(everySoundEndsOnceWhoeverReportsIt)
{
    for (const bool reportsCutOffs : {false, true}) {
        fakebackend::reset({.reportsCutOffs = reportsCutOffs});
        audio::acquire();
        audio::Sound *first = audio::load(kCue, {});
        audio::Sound *second = audio::load(kCue, {});
        const std::uint64_t before = audio::play(first).value();
        CHECK(audio::isSounding(first) && audio::endings() == before);
        // The first is cut off, and its ending counted before the second starts.
        CHECK_EQ(audio::play(second).value(), before + 1);
        CHECK(!audio::isSounding(first) && audio::isSounding(second));
        audio::halt(first); // another's sound is not ours to stop
        CHECK(audio::isSounding(second) && audio::endings() == before + 1);
        fakebackend::endSound();
        CHECK(!audio::isSounding(second) && audio::endings() == before + 2);
        audio::halt(second);   // over already
        Backend::soundEnded(); // a stray report, with nothing on the device
        CHECK_EQ(audio::endings(), before + 2);
        audio::unload(first);
        audio::unload(second);
        audio::release();
    }
    // A short cue may be over before the driver has returned from starting it.
    fakebackend::reset({.endsAtOnce = true});
    audio::acquire();
    audio::Sound *cue = audio::load(kCue, {});
    const std::uint64_t before = audio::play(cue).value();
    CHECK_EQ(audio::endings(), before + 1);
    audio::unload(cue);
    audio::release();
}

TEST(aWaiterWakesAtTheEndingOrAtItsDeadline)
{
    fakebackend::reset();
    audio::acquire();
    audio::Sound *cue = audio::load(kCue, {});
    const std::uint64_t before = audio::play(cue).value();
    fakebackend::endSoundAfter(30ms);
    auto start = audio::now();
    audio::waitForEnding(before, start + 10s);
    CHECK(audio::now() - start < 5s && audio::endings() == before + 1);
    start = audio::now();
    audio::waitForEnding(before + 1, start + 50ms); // nothing sounds: no ending comes
    CHECK(audio::now() - start >= 50ms);
    audio::unload(cue);
    audio::release();
}
