#pragma once

// A window backend for the tests of the window's shared code: it shows nothing and
// delivers nothing, and writes down what happened to the window, in order.

#include <string>
#include <vector>

namespace fakewindow {

// "made", "shown", "loop" (the event loop runs, with the window it was given), "gone".
std::vector<std::string> &log();
// What the event loop returns.
constexpr int kLoopStatus = 7;

} // namespace fakewindow
