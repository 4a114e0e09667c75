// Splitting the command line and the two switches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewer_state.h"
#include "app/window/viewer_window.h"

namespace {

TEST(CommandLine, SplitsOnBlanksAndTabsAndHonoursQuotes) {
    const struct {
        const char* text;
        std::vector<std::string> arguments;
    } cases[] = {
        {"  one\ttwo   three ", {"one", "two", "three"}},
        {"\"a b\" c", {"a b", "c"}},
        {"x \"\" y", {"x", "", "y"}},
        {"x \"open ended", {"x"}},
        {"x \"", {"x"}},
        {"", {}},
        {nullptr, {}},
    };
    for (const auto& c : cases) {
        g_viewer.arguments = {"kept"};
        SplitCommandLine(c.text);
        std::vector<std::string> expected{"kept"};
        expected.insert(expected.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(g_viewer.arguments, expected) << (c.text ? c.text : "null");
    }
}

TEST(CommandLine, NTogglesScalingByScreenAndKelpoEnablesTheHiddenKeys) {
    const struct {
        const char* text;
        bool scaleByScreen, hiddenKeys;
    } cases[] = {
        {"-N", false, false},      {"-N /n", true, false},      {"/nothing", false, false},
        {"\"-N\"", false, false},  {"N", true, false},          {"\"-N", true, false},
        {"-KELPO", true, true},    {"/kelpo", true, true},      {"kelpo", true, false},
        {"-kelpos", true, false},  {"--help --uncapped", true, false},
    };
    for (const auto& c : cases) {
        g_viewer.scaleByScreen = true;
        g_viewer.hiddenKeys = false;
        g_viewer.arguments.clear();
        SplitCommandLine(c.text);
        ApplySwitches();
        EXPECT_EQ(g_viewer.scaleByScreen, c.scaleByScreen) << c.text;
        EXPECT_EQ(g_viewer.hiddenKeys, c.hiddenKeys) << c.text;
    }
}

}  // namespace
