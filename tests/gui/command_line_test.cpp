// Splitting the command line and the two switches.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/viewer_state.h"
#include "app/window/viewer_window.h"

namespace {

TEST(CommandLine, SplitsOnBlanksAndTabsAndHonoursQuotes) {
    // The words after the one already there.
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"  one\ttwo   three ", {"kept", "one", "two", "three"}}, {"\"a b\" c", {"kept", "a b", "c"}},
        {"x \"\" y", {"kept", "x", "", "y"}}, {"x \"open ended", {"kept", "x"}}, {"x \"", {"kept", "x"}},
        {"", {"kept"}}, {nullptr, {"kept"}}};
    for (const auto& [text, arguments] : cases) {
        g_viewer.arguments = {"kept"};
        SplitCommandLine(text);
        EXPECT_EQ(g_viewer.arguments, arguments) << (text ? text : "null");
    }
}

TEST(CommandLine, NTogglesScalingByScreenAndKelpoEnablesTheHiddenKeys) {
    // The text, then scaling by screen and the hidden keys after it.
    for (auto [text, scaleByScreen, hiddenKeys] :
         {std::tuple{"-N", false, false}, {"-N /n", true, false}, {"/nothing", false, false}, {"\"-N\"", false, false},
          {"N", true, false}, {"\"-N", true, false}, {"-KELPO", true, true}, {"/kelpo", true, true},
          {"kelpo", true, false}, {"-kelpos", true, false}, {"--help --uncapped", true, false}}) {
        g_viewer.scaleByScreen = true;
        g_viewer.hiddenKeys = false;
        g_viewer.arguments.clear();
        SplitCommandLine(text);
        ApplySwitches();
        EXPECT_EQ(std::pair(g_viewer.scaleByScreen, g_viewer.hiddenKeys), std::pair(scaleByScreen, hiddenKeys)) << text;
    }
}

}  // namespace
