// An installed copy stands on its own: installed into a temporary prefix,
// copied elsewhere and run with the source and build trees hidden (a private
// mount namespace where unshare allows one), its grib builds the demo game
// and its viewer starts in it and closes as a user closes it.
#include <signal.h>

#include <gtest/gtest.h>

#include "tests/gui/gui_support.h"
#include "tests/support/support.h"

namespace fs = std::filesystem;
using testsupport::RunProgram;

namespace {

TEST(InstallTest, AnInstalledCopyBuildsTheDemoGameAndTheViewerStartsInIt) {
    testsupport::TempDir work;
    const fs::path staged = work.path() / "staged", prefix = work.path() / "moved", game = work.path() / "game";
    auto installed = RunProgram(CMAKE_COMMAND, {"--install", SHOWCASE_BUILD_DIR, "--prefix", staged.string()});
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
    fs::copy(staged, prefix, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::remove_all(staged);
    for (const char* file : {"bin/grib", "bin/showcase", "share/showcase/demo/units/ARMSCOUT.fbi",
                             "share/showcase/demo/gamedata/weapons.tdf", "share/applications/showcase.desktop",
                             "share/icons/hicolor/32x32/apps/showcase.png", "share/doc/showcase/README.md",
                             "share/doc/showcase/demo.md"})
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
    fs::copy_file(GUI_LSAN_SUPPRESSIONS, work.path() / "lsan.supp");

    // Every program runs through this prefix: the trees hidden under empty
    // folders when the system lets a user have its own mount namespace.
    std::vector<std::string> hide;
    if (RunProgram("unshare", {"-rm", "true"}).status == 0)
        hide = {"unshare", "-rm", "sh", "-c",
                "mount -t tmpfs none \"$1\" && mount -t tmpfs none \"$2\" && shift 2 && exec \"$@\"", "hide",
                SHOWCASE_BUILD_DIR, SHOWCASE_SOURCE_DIR};
    else
        std::fprintf(stderr, "no private mount namespace: the source and build trees stay visible\n");
    auto command = [&](std::vector<std::string> c) {
        c.insert(c.begin(), hide.begin(), hide.end());
        return c;
    };
    unsetenv("SHOWCASE_DEMO_DIR");
    auto demo = command({(prefix / "bin/grib").string(), "demo", game.string()});
    auto built = RunProgram(demo[0], {demo.begin() + 1, demo.end()}, work.str());
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_NE(built.out.find("8 units"), std::string::npos) << built.out;

    if (!StartXvfb()) GTEST_SKIP() << "Xvfb could not be started";
    const fs::path tmp = work.path() / "tmp", log = work.path() / "viewer.log";
    fs::create_directories(tmp);
    const pid_t viewer = Spawn(command({(prefix / "bin/showcase").string()}), game, log,
                               {{"SHOWCASE_TRACE", "1"}, {"SDL_AUDIODRIVER", "dummy"}, {"TMPDIR", tmp.string()},
                                {"LSAN_OPTIONS", "suppressions=" + (work.path() / "lsan.supp").string()}});
    struct Kill {
        pid_t pid;
        ~Kill() {
            if (kill(pid, SIGKILL) == 0) ExitStatus(pid, 20000);
        }
    } killViewer{viewer};
    auto traced = [&](const std::string& line) {
        return testsupport::ReadText(log).find("trace: " + line) != std::string::npos;
    };
    ASSERT_TRUE(Until([&] { return traced("loaded units=8") && WindowNamed("About Showcase"); }, 60000))
        << testsupport::ReadText(log);
    // Closed as a window manager closes windows: the About box, then the
    // main window.
    ASSERT_TRUE(SendDeleteWindow(WindowNamed("About Showcase")));
    ASSERT_TRUE(Until([&] { return traced("about closed"); }, 20000)) << testsupport::ReadText(log);
    ASSERT_TRUE(Until([&] { return WindowNamed("Varnholt Showcase") != 0; }, 20000));
    ASSERT_TRUE(SendDeleteWindow(WindowNamed("Varnholt Showcase")));
    EXPECT_EQ(ExitStatus(viewer, 30000), 1) << testsupport::ReadText(log);
    EXPECT_TRUE(fs::is_empty(tmp)) << "the temporary palette is deleted";
}

}  // namespace
