// The media control's promises, on the audio device's books over a driver whose
// sounds end when the test says: the modes through a cue, silence for whatever
// cannot be played, a hold that lasts the cue's whole length whatever the device
// reports, and never much longer when the device stops mixing.
#include "Check.h"
#include "FakeBackend.h"
#include "Files.h"

#include "platform/MMControl.h"

using platform::MMControl;
using platform::audio::now;
using namespace std::chrono_literals;
using namespace testfiles;

TEST(modesThroughACueInAnyCase)
{
    fakebackend::reset();
    Folder folder;
    folder.write(u"Cat0.wav", tone(60000));
    MMControl control;
    // The first cue of a run stops and closes with nothing open.
    control.setCommand(u"Stop");
    control.setCommand(u"Close");
    CHECK_EQ(control.Mode(), MMControl::kModeNotOpen);
    control.setFileName(u"Cat0.wav");
    control.setCommand(u"OPEN");
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"play");
    control.setCommand(u"Eject"); // no command of ours
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    fakebackend::endSound(); // too early: the cue cannot have been heard yet
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    control.setCommand(u"Play"); // the cue is still open, and plays again
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    control.setCommand(u"Stop");
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"Close");
    CHECK_EQ(control.Mode(), MMControl::kModeNotOpen);
    CHECK_EQ(fakebackend::loadedSounds(), 0);
}

TEST(whatCannotBePlayedIsSilent)
{
    Folder folder;
    folder.write(u"Cat1.wav", tone(100));
    folder.write(u"Cat2.wav", {'n', 'o', 't', 'e'});
    const auto start = now();
    for (const bool device : {true, false}) {
        fakebackend::reset({.opens = device});
        MMControl control;
        CHECK_EQ(MMControl::hasAudioDevice(), device);
        for (const char16_t *name : {u"Cat0.wav", u"Cat2.wav", device ? u"" : u"Cat1.wav"}) {
            control.setFileName(name);
            control.setCommand(u"Open");
            control.setCommand(u"Play");
            CHECK_EQ(control.Mode(), MMControl::kModeNotOpen);
            control.waitForModeChange(10s); // returns at once
        }
    }
    CHECK(now() - start < 5s);
}

// The control opened on a cue of that length, written to the folder under that name.
void openCue(MMControl &control, Folder &folder, const std::u16string &name, int milliseconds)
{
    control.setFileName(folder.write(name, tone(milliseconds)));
    control.setCommand(u"Open");
}

// A device starved of the processor may drop samples and report the cue played at half its
// length; the hold lasts the whole length all the same. A device that reports the end late (its
// sound server's buffer) holds it until then. A device that stops mixing never reports the end:
// the window is held at most a quarter of a second past the cue's length all the same.
TEST(theHoldLastsTheCueAndEndsWithTheDevice)
{
    Folder folder;
    for (const auto reportedAt : {300ms, 750ms, 0ms /* never */}) {
        fakebackend::reset();
        MMControl control;
        openCue(control, folder, u"ブー.wav", 600);
        const auto start = now();
        control.setCommand(u"Play");
        if (reportedAt > 0ms)
            fakebackend::endSoundAfter(reportedAt);
        control.waitForModeChange(50ms);
        CHECK(now() - start >= 50ms && control.Mode() == MMControl::kModePlay);
        while (control.Mode() == MMControl::kModePlay)
            control.waitForModeChange(10s);
        // A busy machine may wake the wait late, but never near the ten seconds asked for, nor
        // the two seconds of a margin gone wrong.
        const auto held = now() - start;
        if (reportedAt > 0ms)
            CHECK(held >= std::max(600ms, reportedAt) && held < 5s);
        else
            CHECK(held >= 600ms + 240ms && held < 600ms + 1500ms);
    }
}

TEST(aStopNeverSilencesAnotherControlsCue)
{
    fakebackend::reset();
    Folder folder;
    MMControl first, second;
    openCue(first, folder, u"Cat3.wav", 1000);
    openCue(second, folder, u"Cat4.wav", 1000);
    first.setCommand(u"Play");
    second.setCommand(u"Play");
    CHECK_EQ(first.Mode(), MMControl::kModeStopped); // cut off by the second
    first.setCommand(u"Stop");
    first.setCommand(u"Close");
    CHECK_EQ(second.Mode(), MMControl::kModePlay);
}
