// The media control's promises, on the audio device's books over a driver whose
// sounds end when the test says: the modes through a cue, silence for whatever
// cannot be played, a hold that ends with the cue, and never much later when the
// device stops mixing.
#include "Check.h"
#include "FakeSoundDriver.h"
#include "Files.h"

#include "platform/MMControl.h"

using platform::MMControl;
using platform::audio::now;
using namespace std::chrono_literals;
using namespace testfiles;

TEST(modesThroughACueInAnyCase)
{
    fakedriver::reset();
    Folder folder;
    folder.write(u"Cat0.wav", tone(1000));
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
    fakedriver::endSound();
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"Play"); // an ended cue is still open, and plays again
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    control.setCommand(u"Stop");
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"Close");
    CHECK_EQ(control.Mode(), MMControl::kModeNotOpen);
    CHECK_EQ(fakedriver::loadedSounds(), 0);
}

TEST(whatCannotBePlayedIsSilent)
{
    Folder folder;
    folder.write(u"Cat1.wav", tone(100));
    folder.write(u"Cat2.wav", {'n', 'o', 't', 'e'});
    const auto start = now();
    for (const bool device : {true, false}) {
        fakedriver::reset({.opens = device});
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

TEST(theHoldEndsWithTheCue)
{
    fakedriver::reset();
    Folder folder;
    folder.write(u"ブー.wav", tone(2000));
    MMControl control;
    control.setFileName(u"ブー.wav");
    control.setCommand(u"Open");
    control.setCommand(u"Play");
    // The device says the cue is over long before a stuck device's deadline would pass.
    fakedriver::endSoundAfter(500ms);
    const auto start = now();
    control.waitForModeChange(50ms);
    CHECK(now() - start >= 50ms && control.Mode() == MMControl::kModePlay);
    control.waitForModeChange(10s);
    CHECK(now() - start < 1500ms && control.Mode() == MMControl::kModeStopped);
}

// A device that stops mixing never reports the end of a cue; the window is held
// at most a quarter of a second past the cue's own length all the same.
TEST(aStuckDeviceLetsGoSoonAfterTheCue)
{
    fakedriver::reset();
    Folder folder;
    folder.write(u"ピンポン.wav", tone(200));
    MMControl control;
    control.setFileName(u"ピンポン.wav");
    control.setCommand(u"Open");
    const auto start = now();
    control.setCommand(u"Play");
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    control.waitForModeChange(10s);
    // The cue and its quarter second, and on a busy machine a little more.
    CHECK(now() - start >= 200ms + 240ms && now() - start < 200ms + 500ms);
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
}

TEST(aStopNeverSilencesAnotherControlsCue)
{
    fakedriver::reset();
    Folder folder;
    folder.write(u"Cat3.wav", tone(1000));
    folder.write(u"Cat4.wav", tone(1000));
    MMControl first, second;
    first.setFileName(u"Cat3.wav");
    second.setFileName(u"Cat4.wav");
    for (MMControl *control : {&first, &second}) {
        control->setCommand(u"Open");
        control->setCommand(u"Play");
    }
    CHECK_EQ(first.Mode(), MMControl::kModeStopped); // cut off by the second
    first.setCommand(u"Stop");
    first.setCommand(u"Close");
    CHECK_EQ(second.Mode(), MMControl::kModePlay);
}
