// An installed copy stands on its own: installed into a temporary prefix,
// copied elsewhere and run with the source and build trees hidden (a private
// mount namespace where unshare allows one), its grib builds the demo game
// and its viewer starts in it and closes as a user closes it.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui/x11_close.h"
#include "tests/support/support.h"

namespace fs = std::filesystem;
using testsupport::RunProgram;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Starts program with args in cwd, output to log; the process id.
pid_t Spawn(const std::vector<std::string>& command, const fs::path& cwd, const fs::path& log, int displayPipe = -1) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (displayPipe >= 0) dup2(displayPipe, 3);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(out, 2);
        if (chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// The exit status, or -1 when the process has not ended within ms.
int WaitExit(pid_t pid, int ms) {
    int status = -1, raw = 0;
    WaitFor([&] { return waitpid(pid, &raw, WNOHANG) == pid && (status = WEXITSTATUS(raw), true); }, ms);
    return status;
}

std::string WindowId(const std::string& name) {
    std::string ids = RunProgram("xdotool", {"search", "--onlyvisible", "--name", "^" + name + "$"}).out;
    return ids.substr(0, ids.find('\n'));
}

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

    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t server = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                               work.path(), "/dev/null", pipe[1]);
    close(pipe[1]);
    std::string display = ":";
    for (char c; read(pipe[0], &c, 1) == 1 && c != '\n';) display += c;
    close(pipe[0]);
    struct Stop {
        pid_t pid;
        ~Stop() {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } stopServer{server};
    if (display == ":") GTEST_SKIP() << "Xvfb could not be started";
    const fs::path tmp = work.path() / "tmp", log = work.path() / "viewer.log";
    fs::create_directories(tmp);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SHOWCASE_TRACE", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("TMPDIR", tmp.c_str(), 1);
    setenv("LSAN_OPTIONS", ("suppressions=" + (work.path() / "lsan.supp").string()).c_str(), 1);
    const pid_t viewer = Spawn(command({(prefix / "bin/showcase").string()}), game, log);
    unsetenv("TMPDIR");
    struct Kill {
        pid_t pid;
        ~Kill() {
            if (kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
        }
    } killViewer{viewer};
    auto traced = [&](const std::string& line) {
        return testsupport::ReadText(log).find("trace: " + line) != std::string::npos;
    };
    ASSERT_TRUE(WaitFor([&] { return traced("loaded units=8") && !WindowId("About Showcase").empty(); }, 60000))
        << testsupport::ReadText(log);
    // Closed as a window manager closes windows: the About box, then the
    // main window.
    ASSERT_TRUE(SendDeleteWindow(std::stoul(WindowId("About Showcase"))));
    ASSERT_TRUE(WaitFor([&] { return traced("about closed"); }, 20000)) << testsupport::ReadText(log);
    ASSERT_TRUE(WaitFor([&] { return !WindowId("Varnholt Showcase").empty(); }, 20000));
    ASSERT_TRUE(SendDeleteWindow(std::stoul(WindowId("Varnholt Showcase"))));
    EXPECT_EQ(WaitExit(viewer, 30000), 1) << testsupport::ReadText(log);
    EXPECT_TRUE(fs::is_empty(tmp)) << "the temporary palette is deleted";
}

}  // namespace
