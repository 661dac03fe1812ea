// The media control's promises, on a device whose clock the test moves: the
// modes through a cue, silence for whatever cannot be played, a hold that
// ends with the cue, and never much later when the device stops mixing.
#include "Check.h"
#include "FakeAudioDevice.h"
#include "Files.h"

#include "platform/MMControl.h"

using platform::MMControl;
using namespace std::chrono_literals;
using namespace testfiles;

TEST(modesThroughACueInAnyCase)
{
    fakeaudio::reset();
    Folder folder;
    folder.write(u"Cat0.wav", tone(100));
    MMControl control;
    // The first cue of a run stops and closes with nothing open.
    control.setCommand(u"Stop");
    control.setCommand(u"Close");
    CHECK_EQ(control.Mode(), MMControl::kModeNotOpen);
    control.setFileName(u"Cat0.wav");
    control.setCommand(u"OPEN");
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"play");
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    control.setCommand(u"Eject"); // no command of ours
    fakeaudio::advance(99ms);
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    fakeaudio::advance(2ms);
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"Play"); // an ended cue is still open, and plays again
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    control.setCommand(u"Stop");
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
    control.setCommand(u"Close");
    CHECK_EQ(control.Mode(), MMControl::kModeNotOpen);
    CHECK_EQ(fakeaudio::loadedSounds(), 0);
}

TEST(whatCannotBePlayedIsSilent)
{
    Folder folder;
    folder.write(u"Cat1.wav", tone(100));
    folder.write(u"Cat2.wav", {'n', 'o', 't', 'e'});
    for (const bool device : {true, false}) {
        fakeaudio::reset(device);
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
    CHECK(platform::audio::now() == fakeaudio::Clock::time_point{}); // no wait took any time
}

TEST(theHoldEndsWithTheCue)
{
    fakeaudio::reset();
    Folder folder;
    folder.write(u"ブー.wav", tone(400));
    MMControl control;
    control.setFileName(u"ブー.wav");
    control.setCommand(u"Open");
    control.setCommand(u"Play");
    const auto start = platform::audio::now();
    control.waitForModeChange(50ms);
    CHECK(platform::audio::now() - start == 50ms && control.Mode() == MMControl::kModePlay);
    control.waitForModeChange(10s);
    CHECK(platform::audio::now() - start == 400ms && control.Mode() == MMControl::kModeStopped);
}

// A device that stops mixing never reports the end of a cue; the window is held
// at most a quarter of a second past the cue's own length all the same.
TEST(aStuckDeviceLetsGoSoonAfterTheCue)
{
    fakeaudio::reset();
    fakeaudio::setStuck(true);
    Folder folder;
    folder.write(u"ピンポン.wav", tone(500));
    MMControl control;
    control.setFileName(u"ピンポン.wav");
    control.setCommand(u"Open");
    control.setCommand(u"Play");
    const auto start = platform::audio::now();
    fakeaudio::advance(500ms + 240ms);
    CHECK_EQ(control.Mode(), MMControl::kModePlay);
    control.waitForModeChange(10s);
    CHECK(platform::audio::now() - start <= 500ms + 250ms);
    CHECK_EQ(control.Mode(), MMControl::kModeStopped);
}

TEST(aStopNeverSilencesAnotherControlsCue)
{
    fakeaudio::reset();
    Folder folder;
    folder.write(u"Cat3.wav", tone(100));
    folder.write(u"Cat4.wav", tone(100));
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
