// Splitting the command line and the two switches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewer_state.h"
#include "app/window/viewer_window.h"

namespace {

std::vector<std::string> Split(const char* text) {
    g_viewer.arguments.clear();
    SplitCommandLine(text);
    return g_viewer.arguments;
}

void Apply(const char* text) {
    g_viewer.scaleByScreen = true;
    g_viewer.hiddenKeys = false;
    Split(text);
    ApplySwitches();
}

TEST(CommandLine, SplitsOnBlanksAndTabsAndHonoursQuotes) {
    EXPECT_EQ(Split("  one\ttwo   three "), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(Split("\"a b\" c"), (std::vector<std::string>{"a b", "c"}));
    EXPECT_EQ(Split("x \"\" y"), (std::vector<std::string>{"x", "", "y"}));
    EXPECT_EQ(Split("x \"open ended"), (std::vector<std::string>{"x"}));
    EXPECT_EQ(Split("x \""), (std::vector<std::string>{"x"}));
    EXPECT_TRUE(Split("").empty());
    EXPECT_TRUE(Split(nullptr).empty());
    // The list grows with each call.
    g_viewer.arguments.clear();
    SplitCommandLine("a");
    SplitCommandLine("b");
    EXPECT_EQ(g_viewer.arguments, (std::vector<std::string>{"a", "b"}));
}

TEST(CommandLine, SwitchNTogglesScalingByScreen) {
    Apply("-N");
    EXPECT_FALSE(g_viewer.scaleByScreen);
    Apply("-N /n");
    EXPECT_TRUE(g_viewer.scaleByScreen);
    Apply("/nothing");
    EXPECT_FALSE(g_viewer.scaleByScreen);
    Apply("\"-N\"");
    EXPECT_FALSE(g_viewer.scaleByScreen);
    Apply("N");
    EXPECT_TRUE(g_viewer.scaleByScreen);
    Apply("\"-N");
    EXPECT_TRUE(g_viewer.scaleByScreen);
}

TEST(CommandLine, KelpoEnablesTheHiddenKeys) {
    Apply("-KELPO");
    EXPECT_TRUE(g_viewer.hiddenKeys);
    Apply("/kelpo");
    EXPECT_TRUE(g_viewer.hiddenKeys);
    Apply("kelpo");
    EXPECT_FALSE(g_viewer.hiddenKeys);
    Apply("-kelpos");
    EXPECT_FALSE(g_viewer.hiddenKeys);
    Apply("--help");
    EXPECT_FALSE(g_viewer.hiddenKeys);
    EXPECT_TRUE(g_viewer.scaleByScreen);
}

}  // namespace
