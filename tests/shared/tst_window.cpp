// The window's code that every backend shares: the start-up window is loaded while
// still hidden, then shown, and lives as long as the event loop runs; and the key
// handler is told the key with the Shift argument made of the modifiers held.
#include "Check.h"
#include "FakeWindow.h"

#include "platform/Backend.h"
#include "platform/KeyCodes.h"

#include <string>
#include <utility>
#include <vector>

using namespace platform;

namespace {

struct StartWindow : Form {
    StartWindow() : Form(u"ropi1", 0, 0, 0, 4800, 3600) {}

    void Form_Load() override { fakewindow::log().push_back("loaded"); }
    void Form_KeyDown(std::int16_t &KeyCode, std::int16_t Shift) override
    {
        keys.emplace_back(KeyCode, Shift);
    }

    std::vector<std::pair<int, int>> keys;
};

} // namespace

TEST(theStartUpWindowIsLoadedHiddenThenShownAndLivesThroughTheLoop)
{
    fakewindow::log().clear();
    CHECK_EQ(run<StartWindow>(0, nullptr), fakewindow::kLoopStatus);
    const std::vector<std::string> expected = {"made", "loaded", "shown", "loop", "gone"};
    CHECK(fakewindow::log() == expected);
}

TEST(theKeyHandlerIsToldTheModifiersHeld)
{
    StartWindow window;
    Backend::keyDown(window, vbKeyA + 5, {true, false, false});
    Backend::keyDown(window, vbKeyA + 9, {false, true, true});
    Backend::keyDown(window, vbKeySpace, {false, false, false});
    const std::vector<std::pair<int, int>> expected = {
        {'F', vbShiftMask}, {'J', vbCtrlMask | vbAltMask}, {vbKeySpace, 0}};
    CHECK(window.keys == expected);
}
