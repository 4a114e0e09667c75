// Test set-up for the window-system tests: a display (the one in DISPLAY,
// or a private Xvfb started for the run), leak suppressions for the system
// libraries, and helpers to pump messages and drive the pointer.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace displaytest {

// True when a display is usable (checked once, before the layer starts).
bool HaveDisplay();
// Dispatches the calling thread's messages until done() or the time-out.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000);
// Dispatches whatever is queued now, then keeps pumping for the time given.
void Pump(int milliseconds);
// Runs xdotool with the arguments; false when it is missing or fails.
bool Xdotool(const std::vector<std::string>& arguments);
bool HaveXdotool();

}  // namespace displaytest

// Statements of their own (GTEST_SKIP returns from the test).
#define REQUIRE_DISPLAY() \
    if (!displaytest::HaveDisplay()) GTEST_SKIP() << "no X display and no Xvfb to start one"
#define REQUIRE_XDOTOOL() \
    REQUIRE_DISPLAY();    \
    if (!displaytest::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed"
