// The viewer as a user meets it: started on a kit-built game under a private
// Xvfb, driven with xdotool, observed through its trace channel
// (SHOWCASE_TRACE) and screenshots.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui/test_game.h"
#include "tests/gui/x11_close.h"
#include "tests/support/support.h"

namespace fs = std::filesystem;

namespace {

using Fields = std::map<std::string, std::string>;

const fs::path kArtifacts = GUI_ARTIFACT_DIR;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A private X server for the whole suite.
class XServer {
public:
    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            int writer = fcntl(fds[1], F_DUPFD, 10);
            close(fds[0]);
            close(fds[1]);
            dup2(writer, 3);
            close(writer);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) return false;
        display_ = ":" + number;
        setenv("DISPLAY", display_.c_str(), 1);
        return true;
    }
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
};

XServer g_server;
bool g_haveServer = false;

bool Run(const std::vector<std::string>& args) {
    return testsupport::RunProgram(args[0], std::vector<std::string>(args.begin() + 1, args.end())).status == 0;
}
std::string Output(const std::vector<std::string>& args) {
    return testsupport::RunProgram(args[0], std::vector<std::string>(args.begin() + 1, args.end())).out;
}

// The viewer process with its log of trace lines.
class Viewer {
public:
    // program: what to start in place of the viewer (a script that ends by
    // running it), with args as its arguments.
    Viewer(const fs::path& game, const std::string& name, std::vector<std::string> args = {},
           std::vector<std::pair<std::string, std::string>> env = {}, std::string program = SHOWCASE_VIEWER_PATH) {
        fs::create_directories(kArtifacts);
        log_ = kArtifacts / (name + ".log");
        tmp_ = game / ("tmp-" + name);
        fs::remove_all(tmp_);
        fs::create_directories(tmp_);
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(game.c_str()) != 0) _exit(126);
            int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            setenv("SHOWCASE_TRACE", "1", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("TMPDIR", tmp_.c_str(), 1);
            setenv("SHOWCASE_OPENER", "true", 1);
            std::string lsan = std::string("suppressions=") + GUI_LSAN_SUPPRESSIONS;
            setenv("LSAN_OPTIONS", lsan.c_str(), 1);
            for (auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> argv;
            argv.push_back(program.data());
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    ~Viewer() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in(log_);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("trace: ", 0) == 0) lines.push_back(line.substr(7));
        return lines;
    }
    std::string Log() const { return testsupport::ReadText(log_); }

    // The first trace line (from index from on) that the predicate accepts.
    std::optional<std::string> WaitLine(const std::function<bool(const std::string&)>& accept, int ms = 20000,
                                        size_t from = 0) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            std::vector<std::string> lines = Lines();
            for (size_t i = from; i < lines.size(); ++i)
                if (accept(lines[i])) return lines[i];
            if (Exited()) return std::nullopt;
            SleepMs(20);
        } while (std::chrono::steady_clock::now() < end);
        return std::nullopt;
    }
    std::optional<std::string> WaitPrefix(const std::string& prefix, int ms = 20000) {
        return WaitLine([&](const std::string& l) { return l.rfind(prefix, 0) == 0; }, ms);
    }

    static Fields Parse(const std::string& line) {
        Fields fields;
        std::stringstream in(line);
        std::string part;
        while (std::getline(in, part, '\t')) {
            size_t eq = part.find('=');
            if (eq != std::string::npos) fields[part.substr(0, eq)] = part.substr(eq + 1);
        }
        return fields;
    }
    // Waits for a panel line (the latest one first) that the predicate accepts.
    std::optional<Fields> WaitPanel(const std::function<bool(const Fields&)>& accept, int ms = 10000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            std::vector<std::string> lines = Lines();
            for (size_t i = lines.size(); i-- > 0;)
                if (lines[i].rfind("panel\t", 0) == 0) {
                    Fields f = Parse(lines[i]);
                    if (accept(f)) return f;
                    break;
                }
            SleepMs(20);
        } while (std::chrono::steady_clock::now() < end);
        return std::nullopt;
    }
    Fields Panel() {
        return WaitPanel([](const Fields&) { return true; }, 1000).value_or(Fields{});
    }
    // Asks for a state line and waits for it.
    Fields State() {
        size_t count = Lines().size();
        kill(pid_, SIGUSR1);
        auto line = WaitLine([](const std::string& l) { return l.rfind("state\t", 0) == 0; }, 10000, count);
        return line ? Parse(*line) : Fields{};
    }

    bool Exited() {
        if (exited_) return true;
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        }
        return exited_;
    }
    // The exit status (255 for -1), or -1 when it did not end in time.
    int WaitExit(int ms = 15000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!Exited()) {
            if (std::chrono::steady_clock::now() > end) return -1;
            SleepMs(20);
        }
        return status_;
    }
    const fs::path& tmp() const { return tmp_; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = -1;
    fs::path log_, tmp_;
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    int cx() const { return x + w / 2; }
    int cy() const { return y + h / 2; }
};
Rect ParseRect(const std::string& text) {
    Rect r;
    std::stringstream(text) >> r.x >> r.y >> r.w >> r.h;
    return r;
}
// "... <key> x y w h ..." inside a plain trace line.
Rect RectAfter(const std::string& line, const std::string& key) {
    size_t at = line.find(key + " ");
    return at == std::string::npos ? Rect{} : ParseRect(line.substr(at + key.size() + 1));
}

bool Xdo(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"/usr/bin/xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    return Run(all);
}
void Click(int x, int y) {
    Xdo({"mousemove", std::to_string(x), std::to_string(y)});
    SleepMs(50);
    Xdo({"click", "1"});
}
void Key(const std::string& key) { Xdo({"key", key}); }
bool WindowNamed(const std::string& name) {
    return !Output({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"}).empty();
}
void Screenshot(const std::string& name) {
    Run({"/usr/bin/import", "-display", g_server.display(), "-window", "root", (kArtifacts / name).string()});
}

// Asks the window manager's way for a top-level window to close.
bool CloseWindowNamed(const std::string& name) {
    std::string ids = Output({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"});
    if (ids.empty()) return false;
    return SendDeleteWindow(std::stoul(ids));
}

class GuiTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!g_haveServer) {
            g_haveServer = g_server.Start();
            if (g_haveServer) std::atexit([] { g_server.Stop(); });
        }
        game_ = new testsupport::TempDir;
        std::string error;
        built_ = BuildGuiGame(game_->str(), GuiGameOptions{}, &error);
        EXPECT_TRUE(built_) << error;
    }
    static void TearDownTestSuite() {
        delete game_;
        game_ = nullptr;
    }
    void SetUp() override {
        if (!g_haveServer) GTEST_SKIP() << "Xvfb could not be started";
        if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is not installed";
        ASSERT_TRUE(built_);
    }
    // Starts the viewer and closes the opening About box.
    std::unique_ptr<Viewer> StartToMain(const std::string& name, std::vector<std::string> args = {}) {
        auto viewer = std::make_unique<Viewer>(game_->path(), name, args);
        auto about = viewer->WaitPrefix("about open");
        EXPECT_TRUE(about) << viewer->Log();
        if (!about) return viewer;
        EXPECT_TRUE(viewer->WaitLine([](const std::string&) { return WindowNamed("About Showcase"); }, 10000));
        SleepMs(200);
        Rect ok = RectAfter(*about, "ok");
        Click(ok.cx(), ok.cy());
        EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("main") == "1"; })) << viewer->Log();
        SleepMs(200);
        return viewer;
    }
    static Rect ControlRect(Viewer& viewer, int id) {
        Fields state = viewer.State();
        return ParseRect(state["rect" + std::to_string(id)]);
    }

    static testsupport::TempDir* game_;
    static bool built_;
};
testsupport::TempDir* GuiTest::game_ = nullptr;
bool GuiTest::built_ = false;

TEST_F(GuiTest, StartupShowsLoadingBoxThenAboutBoxThenMainWindow) {
    Viewer viewer(game_->path(), "startup", {}, {{"SHOWCASE_TEST_LOAD_DELAY", "40"}});
    ASSERT_TRUE(viewer.WaitPrefix("loading-box open")) << viewer.Log();
    EXPECT_TRUE(viewer.WaitLine([](const std::string&) { return WindowNamed("Varnholt Showcase"); }, 10000));
    ASSERT_TRUE(viewer.WaitPrefix("loading-box closed")) << viewer.Log();
    // The status line named the steps and every unit.
    std::vector<std::string> lines = viewer.Lines();
    auto shown = [&](const std::string& text) {
        for (auto& l : lines)
            if (l == "status " + text) return true;
        return false;
    };
    EXPECT_TRUE(shown("Textures"));
    for (const char* name : {"Zebra Hauler", "Alpha Tank", "Beacon Tower", "Rover 01", "Rover 30", "Core Bastion",
                             "Drone", "Crawler"})
        EXPECT_TRUE(shown(name)) << name;

    auto about = viewer.WaitPrefix("about open");
    ASSERT_TRUE(about) << viewer.Log();
    EXPECT_NE(about->find("button=Continue"), std::string::npos);
    EXPECT_NE(about->find("main-visible=0"), std::string::npos);
    EXPECT_TRUE(viewer.WaitLine([](const std::string&) { return WindowNamed("About Showcase"); }, 10000));
    SleepMs(300);
    Screenshot("about_box.png");
    Fields panel = viewer.Panel();
    EXPECT_EQ(panel["main"], "0");

    Rect ok = RectAfter(*about, "ok");
    Click(ok.cx(), ok.cy());
    ASSERT_TRUE(viewer.WaitPanel([](const Fields& f) { return f.at("main") == "1"; })) << viewer.Log();
    EXPECT_FALSE(WindowNamed("About Showcase"));
    // Opens on the ARM side with the alphabetically first ARM unit.
    panel = viewer.Panel();
    EXPECT_EQ(panel["side"], "ARM");
    EXPECT_EQ(panel["arm"], "1");
    EXPECT_EQ(panel["count"], "33");
    EXPECT_EQ(panel["sel"], "0");
    EXPECT_EQ(panel["item"], "Alpha Tank");
    EXPECT_EQ(panel["unit"], "ARMALPHA");
    SleepMs(500);
    Screenshot("main_window.png");

    // A later About box reads "OK".
    Rect about2 = ControlRect(viewer, 1026);
    size_t before = viewer.Lines().size();
    Click(about2.cx(), about2.cy());
    auto again = viewer.WaitLine([](const std::string& l) { return l.rfind("about open", 0) == 0; }, 10000, before);
    ASSERT_TRUE(again);
    EXPECT_NE(again->find("button=OK"), std::string::npos);
    EXPECT_TRUE(viewer.WaitLine([](const std::string&) { return WindowNamed("About Showcase"); }, 10000));
    SleepMs(200);
    Rect web = RectAfter(*again, "web");
    Click(web.cx(), web.cy());
    EXPECT_TRUE(viewer.WaitLine([](const std::string& l) { return l == "web-site www.example.org opened=1"; }, 10000,
                                before));
    Rect ok2 = RectAfter(*again, "ok");
    Click(ok2.cx(), ok2.cy());
    EXPECT_TRUE(viewer.WaitLine([](const std::string& l) { return l == "about closed"; }, 10000, before));
}

TEST_F(GuiTest, SelectingUnitsFillsStatisticsAndSidesKeepTheirUnitAndScroll) {
    auto viewer = StartToMain("sides");
    Rect list = ControlRect(*viewer, 1006);
    ASSERT_GT(list.h, 0);
    // Scroll the ARM list down and pick the first visible unit.
    Xdo({"mousemove", std::to_string(list.cx()), std::to_string(list.cy())});
    for (int i = 0; i < 4; ++i) Xdo({"click", "5"});
    auto scrolled = viewer->WaitPanel([](const Fields& f) { return f.at("top") != "0"; });
    ASSERT_TRUE(scrolled);
    const std::string top = scrolled->at("top");
    Click(list.x + 20, list.y + 6);
    auto picked = viewer->WaitPanel([&](const Fields& f) { return f.at("sel") == top; });
    ASSERT_TRUE(picked) << viewer->Log();
    const std::string armItem = picked->at("item");
    EXPECT_EQ(armItem.rfind("Rover ", 0), 0u);
    EXPECT_EQ(picked->at("caption"), armItem);
    EXPECT_EQ(picked->at("weapons"), "LASER");
    EXPECT_EQ(picked->at("speed"), "18.0 m/s");

    Rect core = ControlRect(*viewer, 1031);
    Click(core.cx(), core.cy());
    auto corePanel = viewer->WaitPanel([](const Fields& f) { return f.at("side") == "CORE"; });
    ASSERT_TRUE(corePanel);
    auto first = viewer->WaitPanel([](const Fields& f) { return f.at("item") == "Core Bastion"; });
    ASSERT_TRUE(first) << viewer->Log();
    EXPECT_EQ(first->at("count"), "3");
    EXPECT_EQ(first->at("top"), "0");
    EXPECT_EQ(first->at("unit"), "CORBASTION");
    EXPECT_EQ(first->at("weapons"), "ROCKET");
    EXPECT_EQ(first->at("aim"), "1");
    EXPECT_EQ(first->at("fire"), "1");

    // Drone cannot fire: Aim and Fire go grey.
    Click(list.x + 20, list.y + 6);
    Key("Down");
    Key("Down");
    auto drone = viewer->WaitPanel([](const Fields& f) { return f.at("item") == "Drone"; });
    ASSERT_TRUE(drone) << viewer->Log();
    EXPECT_EQ(drone->at("unit"), "CORDRONE");
    EXPECT_EQ(drone->at("aim"), "0");
    EXPECT_EQ(drone->at("fire"), "0");
    EXPECT_EQ(drone->at("weapons"), "None");
    EXPECT_EQ(drone->at("energy"), "1200");

    Rect arm = ControlRect(*viewer, 1030);
    Click(arm.cx(), arm.cy());
    auto back = viewer->WaitPanel([&](const Fields& f) { return f.at("side") == "ARM" && f.at("item") == armItem; });
    ASSERT_TRUE(back) << viewer->Log();
    EXPECT_EQ(back->at("top"), top);
    EXPECT_EQ(back->at("sel"), top);
    Click(core.cx(), core.cy());
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("side") == "CORE" && f.at("item") == "Drone"; }));
}

TEST_F(GuiTest, ActionButtonsFollowTheUnit) {
    auto viewer = StartToMain("actions");
    Rect activate = ControlRect(*viewer, 1014);
    Rect move = ControlRect(*viewer, 1024);
    Click(activate.cx(), activate.cy());
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("activate") == "Deactivate/1"; }))
        << viewer->Log();
    Click(move.cx(), move.cy());
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("move") == "Stop/1"; }));
    Click(activate.cx(), activate.cy());
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("activate") == "Activate/1"; }));

    // The tower (BMcode 0) can activate but neither move nor fire.
    Rect list = ControlRect(*viewer, 1006);
    Click(list.x + 20, list.y + 6);
    Key("Down");
    auto tower = viewer->WaitPanel([](const Fields& f) { return f.at("item") == "Beacon Tower"; });
    ASSERT_TRUE(tower) << viewer->Log();
    EXPECT_EQ(tower->at("speed"), "N/A");
    EXPECT_EQ(tower->at("acceleration"), "N/A");
    EXPECT_EQ(tower->at("turn"), "N/A");
    EXPECT_EQ(tower->at("activate"), "Activate/1");
    EXPECT_EQ(tower->at("move"), "Move/0");
    EXPECT_EQ(tower->at("aim"), "0");
    EXPECT_EQ(tower->at("fire"), "0");
    EXPECT_EQ(tower->at("weapons"), "None");
    // Back on the tank its buttons remember its state.
    Key("Up");
    auto tank = viewer->WaitPanel([](const Fields& f) { return f.at("item") == "Alpha Tank"; });
    ASSERT_TRUE(tank);
    EXPECT_EQ(tank->at("move"), "Stop/1");
    EXPECT_EQ(tank->at("activate"), "Activate/1");
}

TEST_F(GuiTest, SliderChangesTheScaleText) {
    auto viewer = StartToMain("slider");
    EXPECT_EQ(viewer->Panel()["scale"], "Scale: 100%");
    EXPECT_EQ(viewer->Panel()["slider"], "15/1");
    Rect slider = ControlRect(*viewer, 1029);
    Click(slider.cx(), slider.y + slider.h - 4);  // beside the thumb, below it: a page down
    auto smaller = viewer->WaitPanel([](const Fields& f) { return f.at("scale") != "Scale: 100%"; });
    ASSERT_TRUE(smaller) << viewer->Log();
    EXPECT_EQ(smaller->at("scale"), "Scale: 90%");
    Click(slider.cx(), slider.y + 3);  // above: a page up
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("scale") == "Scale: 100%"; }));
    Fields state = viewer->State();
    EXPECT_EQ(state["scale"], "1.0000");
}

TEST_F(GuiTest, DraggingSpinsTheModelAndTheStopButtonHaltsIt) {
    auto viewer = StartToMain("drag");
    Fields state = viewer->State();
    Rect view = ParseRect(state["view-rect"]);
    ASSERT_GT(view.w, 0);
    const std::string initialSpin = state["spin"];
    Xdo({"mousemove", std::to_string(view.x + 20), std::to_string(view.cy())});
    Xdo({"mousedown", "1"});
    for (int i = 1; i <= 8; ++i) {
        Xdo({"mousemove", std::to_string(view.x + 20 + i * 15), std::to_string(view.cy())});
        // Long enough for a slow (sanitizer) build to handle each move on its
        // own: moves handled in one burst share a millisecond, and a release
        // in the same millisecond as the move before leaves no spin.
        SleepMs(60);
    }
    Xdo({"mouseup", "1"});
    Fields spun = viewer->State();
    ASSERT_NE(spun["spin"], initialSpin) << viewer->Log();
    EXPECT_NE(spun["spin"], "0.000000");
    const double a1 = std::stod(viewer->State()["angle"]);
    SleepMs(300);
    const double a2 = std::stod(viewer->State()["angle"]);
    EXPECT_NE(a1, a2);
    Screenshot("main_window_spinning.png");

    Rect stop = ParseRect(spun["rect1036"]);
    Click(stop.cx(), stop.cy());
    SleepMs(200);
    EXPECT_EQ(viewer->State()["spin"], "0.000000");
}

TEST_F(GuiTest, NoFramesWhileMinimisedAndClosingExitsWithOne) {
    auto viewer = StartToMain("minimise");
    std::string ids = Output({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^Varnholt Showcase$"});
    ASSERT_FALSE(ids.empty());
    std::string id = ids.substr(0, ids.find('\n'));
    size_t before = viewer->Lines().size();
    Xdo({"windowunmap", id});
    auto down = viewer->WaitLine([](const std::string& l) { return l.rfind("minimized 1", 0) == 0; }, 10000, before);
    ASSERT_TRUE(down) << viewer->Log();
    SleepMs(500);
    Xdo({"windowmap", id});
    auto up = viewer->WaitLine([](const std::string& l) { return l.rfind("minimized 0", 0) == 0; }, 10000, before);
    ASSERT_TRUE(up) << viewer->Log();
    // No frame was drawn and the loop did not spin in between.
    auto counters = [](const std::string& line) { return line.substr(line.find("frames=")); };
    EXPECT_EQ(counters(*down), counters(*up));
    Fields after = viewer->State();
    EXPECT_EQ(after["minimized"], "0");

    ASSERT_TRUE(CloseWindowNamed("Varnholt Showcase"));
    EXPECT_EQ(viewer->WaitExit(), 1) << viewer->Log();
    EXPECT_TRUE(fs::is_empty(viewer->tmp())) << "the temporary palette is deleted";
}

TEST_F(GuiTest, AbortEndsLoadingWithMinusOne) {
    Viewer viewer(game_->path(), "abort", {}, {{"SHOWCASE_TEST_LOAD_DELAY", "250"}});
    auto box = viewer.WaitPrefix("loading-box open");
    ASSERT_TRUE(box) << viewer.Log();
    ASSERT_TRUE(viewer.WaitLine([](const std::string&) { return WindowNamed("Varnholt Showcase"); }, 10000));
    ASSERT_TRUE(viewer.WaitPrefix("status Rover 02")) << viewer.Log();
    Rect abort = RectAfter(*box, "abort");
    Click(abort.cx(), abort.cy());
    EXPECT_EQ(viewer.WaitExit(), 255) << viewer.Log();
    EXPECT_FALSE(viewer.WaitPrefix("about open", 10));
    EXPECT_TRUE(fs::is_empty(viewer.tmp())) << "the temporary palette is deleted";
}

TEST_F(GuiTest, MissingSettingsFileIsFatal) {
    testsupport::TempDir game;
    std::string error;
    GuiGameOptions options;
    options.fillerUnits = 0;
    options.withSettings = false;
    ASSERT_TRUE(BuildGuiGame(game.str(), options, &error)) << error;
    Viewer viewer(game.path(), "fatal");
    auto fatal = viewer.WaitPrefix("fatal ");
    ASSERT_TRUE(fatal) << viewer.Log();
    EXPECT_EQ(*fatal, "fatal Could not open the Showcase information file");
    ASSERT_TRUE(viewer.WaitLine([](const std::string&) { return WindowNamed("Fatal Error"); }, 10000));
    EXPECT_FALSE(WindowNamed("About Showcase"));
    Screenshot("fatal_error.png");
    // A key sent before the box has taken the focus is lost: press again.
    int status = -1;
    for (int attempt = 0; attempt < 5 && status == -1; ++attempt) {
        std::string ids = Output({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^Fatal Error$"});
        if (!ids.empty()) Xdo({"windowfocus", ids.substr(0, ids.find('\n'))});
        SleepMs(100);
        Key("Return");
        status = viewer.WaitExit(3000);
    }
    EXPECT_EQ(status, 1) << viewer.Log();
}

TEST_F(GuiTest, HelpAndVersionNeedNoDisplay) {
    auto help = testsupport::RunProgram(SHOWCASE_VIEWER_PATH, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: showcase"), std::string::npos);
    auto version = testsupport::RunProgram(SHOWCASE_VIEWER_PATH, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("showcase ", 0), 0u);
}

}  // namespace

TEST_F(GuiTest, RunScriptStartsTheViewerOnTheDemoGame) {
    // The build folder is the one this test belongs to; run.sh only builds
    // the demo game there and starts the viewer in it.
    fs::path build = fs::path(SHOWCASE_VIEWER_PATH).parent_path().parent_path().parent_path();
    fs::path script = fs::path(SHOWCASE_SOURCE_DIR) / "run.sh";
    Viewer viewer(game_->path(), "run_sh", {script.string()},
                  {{"BUILD", build.string()}, {"SHOWCASE_RUN_NO_BUILD", "1"}}, "/bin/bash");
    auto about = viewer.WaitPrefix("about open", 60000);
    ASSERT_TRUE(about) << viewer.Log();
    EXPECT_TRUE(viewer.WaitLine([](const std::string&) { return WindowNamed("About Showcase"); }, 10000));
    SleepMs(300);
    Rect ok = RectAfter(*about, "ok");
    Click(ok.cx(), ok.cy());
    auto panel = viewer.WaitPanel([](const Fields& f) { return f.at("main") == "1"; });
    ASSERT_TRUE(panel) << viewer.Log();
    // The demo game opens on its alphabetically first ARM unit.
    EXPECT_FALSE(panel->at("caption").empty());
    SleepMs(1500);
    Screenshot("run_sh_main_window.png");
    EXPECT_TRUE(fs::exists(build / "game" / "Varnho.GRB"));
    ASSERT_TRUE(CloseWindowNamed("Varnholt Showcase"));
    EXPECT_EQ(viewer.WaitExit(), 1);
}
