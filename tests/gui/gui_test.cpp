// The viewer as a user meets it: started on a kit-built game under a private
// Xvfb, driven with xdotool, observed through its trace channel
// (SHOWCASE_TRACE). Every wait is on a trace line, a window or the process,
// with a generous deadline.
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
using Clock = std::chrono::steady_clock;

const fs::path kArtifacts = GUI_ARTIFACT_DIR;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Polls until done() or the deadline; false when it never held.
bool Until(const std::function<bool()>& done, int ms) {
    for (auto end = Clock::now() + std::chrono::milliseconds(ms); !done(); SleepMs(20))
        if (Clock::now() > end) return false;
    return true;
}

std::string Output(std::vector<std::string> args) {
    std::string program = args[0];
    args.erase(args.begin());
    return testsupport::RunProgram(program, args).out;
}
bool Xdo(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/xdotool");
    std::string program = args[0];
    args.erase(args.begin());
    return testsupport::RunProgram(program, args).status == 0;
}
unsigned long WindowNamed(const std::string& name) {
    std::string ids = Output({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"});
    return ids.empty() ? 0 : std::stoul(ids);
}
void Click(int x, int y) { Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}); }

Fields Parse(const std::string& line) {
    Fields fields;
    std::stringstream in(line);
    for (std::string part; std::getline(in, part, '\t');)
        if (size_t eq = part.find('='); eq != std::string::npos) fields[part.substr(0, eq)] = part.substr(eq + 1);
    return fields;
}

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
// "... <key> x y w h ..." inside a trace line.
Rect RectAfter(const std::string& line, const std::string& key) {
    size_t at = line.find(key + " ");
    return at == std::string::npos ? Rect{} : ParseRect(line.substr(at + key.size() + 1));
}

// The viewer process with its log of trace lines and its own temp folder.
class Viewer {
public:
    // program: what to start in place of the viewer, with args as its arguments.
    Viewer(const fs::path& game, const std::string& name, std::vector<std::string> args = {},
           std::vector<std::pair<std::string, std::string>> env = {}, std::string program = SHOWCASE_VIEWER_PATH)
        : log_(kArtifacts / (name + ".log")), tmp_(game / ("tmp-" + name)) {
        fs::create_directories(kArtifacts);
        fs::remove(log_);  // no lines of an earlier run
        fs::remove_all(tmp_);
        fs::create_directories(tmp_);
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(game.c_str()) != 0) _exit(126);
            int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            env.insert(env.begin(), {{"SHOWCASE_TRACE", "1"}, {"SDL_AUDIODRIVER", "dummy"}, {"TMPDIR", tmp_},
                                     {"SHOWCASE_OPENER", "true"},
                                     {"LSAN_OPTIONS", std::string("suppressions=") + GUI_LSAN_SUPPRESSIONS}});
            for (auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> argv{program.data()};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    ~Viewer() {
        if (pid_ > 0 && !Exited()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        fs::remove_all(tmp_);
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);)
            if (line.rfind("trace: ", 0) == 0) lines.push_back(line.substr(7));
        return lines;
    }
    std::string Log() const { return testsupport::ReadText(log_); }

    // The first trace line from index from on that starts with prefix.
    std::optional<std::string> Wait(const std::string& prefix, int ms = 20000, size_t from = 0) {
        std::optional<std::string> found;
        Until([&] {
            std::vector<std::string> lines = Lines();
            for (size_t i = from; i < lines.size() && !found; ++i)
                if (lines[i].rfind(prefix, 0) == 0) found = lines[i];
            return found || Exited();
        }, ms);
        return found;
    }
    // Waits for the latest panel line to satisfy the predicate.
    std::optional<Fields> WaitPanel(const std::function<bool(const Fields&)>& accept, int ms = 20000) {
        std::optional<Fields> found;
        Until([&] {
            std::vector<std::string> lines = Lines();
            for (size_t i = lines.size(); i-- > 0;)
                if (lines[i].rfind("panel\t", 0) == 0) {
                    if (Fields f = Parse(lines[i]); accept(f)) found = f;
                    break;
                }
            return found.has_value();
        }, ms);
        return found;
    }
    Fields Panel() { return WaitPanel([](const Fields&) { return true; }).value_or(Fields{}); }
    // Asks for a state line and waits for it.
    Fields State() {
        size_t from = Lines().size();
        kill(pid_, SIGUSR1);
        auto line = Wait("state\t", 20000, from);
        return line ? Parse(*line) : Fields{};
    }
    // Runs the xdotool command and waits for the trace line it causes.
    std::optional<std::string> Do(const std::vector<std::string>& command, const std::string& answer) {
        size_t from = Lines().size();
        Xdo(command);
        return Wait(answer, 20000, from);
    }
    void Signal(int number) { kill(pid_, number); }

    bool Exited() {
        int status;
        if (!exited_ && waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        }
        return exited_;
    }
    // The exit status (255 for -1), or -1 when it did not end in time.
    int WaitExit(int ms = 20000) { return Until([&] { return Exited(); }, ms) ? status_ : -1; }
    // Presses Return in the named box until the viewer ends (a key sent
    // before the box has the focus is lost).
    int ConfirmBox(const std::string& name) {
        int status = -1;
        for (int attempt = 0; attempt < 10 && status == -1; ++attempt) {
            if (unsigned long id = WindowNamed(name)) Xdo({"windowfocus", std::to_string(id)});
            Xdo({"key", "Return"});
            status = WaitExit(2000);
        }
        return status;
    }
    bool PaletteLeft() const { return !fs::is_empty(tmp_); }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = -1;
    fs::path log_, tmp_;
};

// A private X server for the whole run.
pid_t g_server = 0;
std::string g_display;

bool StartServer() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    g_server = fork();
    if (g_server == 0) {
        dup2(fds[1], 3);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    for (char c; read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
    close(fds[0]);
    if (number.empty()) return false;
    g_display = ":" + number;
    setenv("DISPLAY", g_display.c_str(), 1);
    std::atexit([] {
        kill(g_server, SIGTERM);
        waitpid(g_server, nullptr, 0);
    });
    return true;
}

class GuiTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool server = StartServer();
        haveServer_ = server;
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
        if (!haveServer_) GTEST_SKIP() << "Xvfb could not be started";
        if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is not installed";
        ASSERT_TRUE(built_);
    }
    // Closes the About box that the viewer opens with.
    static void CloseAbout(Viewer& viewer, size_t from = 0) {
        auto about = viewer.Wait("about open", 60000, from);
        ASSERT_TRUE(about) << viewer.Log();
        ASSERT_TRUE(Until([] { return WindowNamed("About Showcase") != 0; }, 20000));
        Rect ok = RectAfter(*about, "ok");
        // The first click may come before the box is ready for it.
        ASSERT_TRUE(Until([&] {
            Click(ok.cx(), ok.cy());
            return viewer.Wait("about closed", 5000, from).has_value();
        }, 20000)) << viewer.Log();
    }
    std::unique_ptr<Viewer> StartToMain(const std::string& name, std::vector<std::string> args = {}) {
        auto viewer = std::make_unique<Viewer>(game_->path(), name, args);
        CloseAbout(*viewer);
        EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("main") == "1"; })) << viewer->Log();
        return viewer;
    }
    static Rect ControlRect(Viewer& viewer, int id) { return ParseRect(viewer.State()["rect" + std::to_string(id)]); }
    // Clicks the first row of the unit list and moves the selection with keys.
    static void PickInList(Viewer& viewer, const std::vector<std::string>& keys) {
        Rect list = ControlRect(viewer, 1006);
        Click(list.x + 20, list.y + 6);
        for (const std::string& key : keys) Xdo({"key", key});
    }

    static testsupport::TempDir* game_;
    static bool built_, haveServer_;
};
testsupport::TempDir* GuiTest::game_ = nullptr;
bool GuiTest::built_ = false;
bool GuiTest::haveServer_ = false;

TEST_F(GuiTest, StartupShowsLoadingBoxThenAboutBoxThenMainWindow) {
    Viewer viewer(game_->path(), "startup", {}, {{"SHOWCASE_TEST_LOAD_DELAY", "40"}});
    ASSERT_TRUE(viewer.Wait("loading-box open")) << viewer.Log();
    EXPECT_TRUE(Until([] { return WindowNamed("Varnholt Showcase") != 0; }, 20000));
    ASSERT_TRUE(viewer.Wait("loading-box closed")) << viewer.Log();
    for (const char* status : {"Textures", "Zebra Hauler", "Alpha Tank", "Beacon Tower", "Rover 01", "Rover 30",
                               "Core Bastion", "Drone", "Crawler"})
        EXPECT_TRUE(viewer.Wait(std::string("status ") + status, 0)) << status;
    auto about = viewer.Wait("about open");
    ASSERT_TRUE(about) << viewer.Log();
    EXPECT_NE(about->find("button=Continue"), std::string::npos);
    EXPECT_NE(about->find("main-visible=0"), std::string::npos);
    CloseAbout(viewer);
    // Opens on the ARM side with the alphabetically first ARM unit.
    auto panel = viewer.WaitPanel([](const Fields& f) { return f.at("main") == "1"; });
    ASSERT_TRUE(panel) << viewer.Log();
    EXPECT_EQ((std::vector<std::string>{(*panel)["side"], (*panel)["arm"], (*panel)["count"], (*panel)["sel"],
                                        (*panel)["item"], (*panel)["unit"]}),
              (std::vector<std::string>{"ARM", "1", "33", "0", "Alpha Tank", "ARMALPHA"}));
    // The main window shows icon 101 (32 x 32).
    EXPECT_EQ(IconWidth(WindowNamed("Varnholt Showcase")), 32);

    // A later About box reads "OK" and opens the web site.
    Rect button = ControlRect(viewer, 1026);
    size_t from = viewer.Lines().size();
    Click(button.cx(), button.cy());
    auto again = viewer.Wait("about open", 20000, from);
    ASSERT_TRUE(again);
    EXPECT_NE(again->find("button=OK"), std::string::npos);
    ASSERT_TRUE(Until([] { return WindowNamed("About Showcase") != 0; }, 20000));
    Rect web = RectAfter(*again, "web");
    EXPECT_TRUE(Until([&] {
        Click(web.cx(), web.cy());
        return viewer.Wait("web-site www.example.org opened=1", 5000, from).has_value();
    }, 20000));
    CloseAbout(viewer, from);
}

TEST_F(GuiTest, SelectingUnitsFillsStatisticsAndSidesKeepTheirUnitAndScroll) {
    auto viewer = StartToMain("sides");
    Rect list = ControlRect(*viewer, 1006);
    Xdo({"mousemove", std::to_string(list.cx()), std::to_string(list.cy())});
    for (int i = 0; i < 4; ++i) Xdo({"click", "5"});
    auto scrolled = viewer->WaitPanel([](const Fields& f) { return f.at("top") != "0"; });
    ASSERT_TRUE(scrolled);
    const std::string top = scrolled->at("top");
    Click(list.x + 20, list.y + 6);
    auto picked = viewer->WaitPanel([&](const Fields& f) { return f.at("sel") == top && f.at("caption") == f.at("item"); });
    ASSERT_TRUE(picked) << viewer->Log();
    const std::string armItem = picked->at("item");
    EXPECT_EQ(armItem.rfind("Rover ", 0), 0u);
    EXPECT_EQ(picked->at("caption"), armItem);
    EXPECT_EQ(picked->at("weapons"), "LASER");
    EXPECT_EQ(picked->at("speed"), "18.0 m/s");

    Rect core = ControlRect(*viewer, 1031);
    Click(core.cx(), core.cy());
    auto first = viewer->WaitPanel([](const Fields& f) { return f.at("unit") == "CORBASTION"; });
    ASSERT_TRUE(first) << viewer->Log();
    EXPECT_EQ((std::vector<std::string>{first->at("side"), first->at("count"), first->at("top"), first->at("unit"),
                                        first->at("weapons"), first->at("aim"), first->at("fire")}),
              (std::vector<std::string>{"CORE", "3", "0", "CORBASTION", "ROCKET", "1", "1"}));
    // Drone cannot fire: Aim and Fire go grey.
    PickInList(*viewer, {"Down", "Down"});
    auto drone = viewer->WaitPanel([](const Fields& f) { return f.at("unit") == "CORDRONE"; });
    ASSERT_TRUE(drone) << viewer->Log();
    EXPECT_EQ((std::vector<std::string>{drone->at("unit"), drone->at("aim"), drone->at("fire"), drone->at("weapons"),
                                        drone->at("energy")}),
              (std::vector<std::string>{"CORDRONE", "0", "0", "None", "1200"}));

    Rect arm = ControlRect(*viewer, 1030);
    Click(arm.cx(), arm.cy());
    auto back = viewer->WaitPanel([&](const Fields& f) { return f.at("side") == "ARM" && f.at("caption") == armItem; });
    ASSERT_TRUE(back) << viewer->Log();
    EXPECT_EQ(back->at("top"), top);
    EXPECT_EQ(back->at("sel"), top);
    Click(core.cx(), core.cy());
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("side") == "CORE" && f.at("unit") == "CORDRONE"; }));
}

TEST_F(GuiTest, ActionButtonsFollowTheUnitAndTheSliderScales) {
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
    PickInList(*viewer, {"Down"});
    auto tower = viewer->WaitPanel([](const Fields& f) { return f.at("unit") == "ARMBEACON"; });
    ASSERT_TRUE(tower) << viewer->Log();
    EXPECT_EQ((std::vector<std::string>{tower->at("speed"), tower->at("acceleration"), tower->at("turn"),
                                        tower->at("activate"), tower->at("move"), tower->at("aim"), tower->at("fire"),
                                        tower->at("weapons")}),
              (std::vector<std::string>{"N/A", "N/A", "N/A", "Activate/1", "Move/0", "0", "0", "None"}));
    // Back on the tank its buttons remember its state.
    Xdo({"key", "Up"});
    auto tank = viewer->WaitPanel([](const Fields& f) { return f.at("unit") == "ARMALPHA" && f.at("sel") == "0"; });
    ASSERT_TRUE(tank);
    EXPECT_EQ(tank->at("move"), "Stop/1");
    EXPECT_EQ(tank->at("activate"), "Activate/1");

    EXPECT_EQ(tank->at("scale"), "Scale: 100%");
    EXPECT_EQ(tank->at("slider"), "15/1");
    Rect slider = ControlRect(*viewer, 1029);
    Click(slider.cx(), slider.y + slider.h - 4);  // below the thumb: a page down
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("scale") == "Scale: 90%"; })) << viewer->Log();
    Click(slider.cx(), slider.y + 3);  // above: a page up
    EXPECT_TRUE(viewer->WaitPanel([](const Fields& f) { return f.at("scale") == "Scale: 100%"; }));
    EXPECT_EQ(viewer->State()["scale"], "1.0000");
}

TEST_F(GuiTest, DraggingSpinsTheModelAndTheStopButtonHaltsIt) {
    auto viewer = StartToMain("drag");
    Fields state = viewer->State();
    Rect view = ParseRect(state["view-rect"]);
    ASSERT_GT(view.w, 0);
    const std::string y = std::to_string(view.cy());
    // Each move is handled on its own before the next is sent, so that every
    // move and the release keep their own times however loaded the machine is.
    ASSERT_TRUE(viewer->Do({"mousemove", std::to_string(view.x + 20), y}, "view 512 ")) << viewer->Log();
    ASSERT_TRUE(viewer->Do({"mousedown", "1"}, "view 513 "));
    for (int i = 1; i <= 4; ++i)
        ASSERT_TRUE(viewer->Do({"mousemove", std::to_string(view.x + 20 + i * 15), y}, "view 512 "));
    auto up = viewer->Do({"mouseup", "1"}, "view 514 ");
    ASSERT_TRUE(up) << viewer->Log();
    const std::string spin = up->substr(up->find("spin=") + 5);
    EXPECT_NE(spin, "0.000000");
    EXPECT_EQ(viewer->State()["spin"], spin);
    const std::string angle = viewer->State()["angle"];
    EXPECT_TRUE(Until([&] { return viewer->State()["angle"] != angle; }, 20000));

    Rect stop = ParseRect(state["rect1036"]);
    Click(stop.cx(), stop.cy());
    EXPECT_TRUE(Until([&] { return viewer->State()["spin"] == "0.000000"; }, 20000));
}

TEST_F(GuiTest, FramesFollowTheTicksNoneWhileMinimisedAndClosingExitsWithOne) {
    auto viewer = StartToMain("minimise");
    // Paced: never more frames than ticks (1/30 s) passed, plus the ones
    // that handled messages (the state requests).
    auto frames = [](const Fields& f) { return std::stol(f.at("frames")); };
    auto start = Clock::now();
    const long before = frames(viewer->State());
    SleepMs(1000);
    const long drawn = frames(viewer->State()) - before;
    const long ticks = long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()) / 33;
    EXPECT_LE(drawn, ticks + 4);
    EXPECT_GT(drawn, 0);

    const std::string id = std::to_string(WindowNamed("Varnholt Showcase"));
    size_t from = viewer->Lines().size();
    Xdo({"windowunmap", id});
    auto down = viewer->Wait("minimized 1", 20000, from);
    ASSERT_TRUE(down) << viewer->Log();
    SleepMs(500);
    Xdo({"windowmap", id});
    auto up = viewer->Wait("minimized 0", 20000, from);
    ASSERT_TRUE(up) << viewer->Log();
    // No frame was drawn and the loop did not spin in between.
    EXPECT_EQ(down->substr(down->find("frames=")), up->substr(up->find("frames=")));

    ASSERT_TRUE(SendDeleteWindow(WindowNamed("Varnholt Showcase")));
    EXPECT_EQ(viewer->WaitExit(), 1) << viewer->Log();
    EXPECT_FALSE(viewer->PaletteLeft());
}

TEST_F(GuiTest, AbortEndsLoadingWithMinusOne) {
    Viewer viewer(game_->path(), "abort", {}, {{"SHOWCASE_TEST_LOAD_DELAY", "250"}});
    auto box = viewer.Wait("loading-box open");
    ASSERT_TRUE(box) << viewer.Log();
    ASSERT_TRUE(viewer.Wait("status Rover 02")) << viewer.Log();
    Rect abort = RectAfter(*box, "abort");
    Click(abort.cx(), abort.cy());
    EXPECT_EQ(viewer.WaitExit(), 255) << viewer.Log();
    EXPECT_FALSE(viewer.Wait("about open", 0));
    EXPECT_FALSE(viewer.PaletteLeft());
}

// SIGTERM, SIGINT and SIGHUP end the viewer as closing the main window does,
// whatever is up at the time.
enum class Stage { Loading, AboutBox, MainWindow, FatalBox };
struct SignalCase {
    int signal;
    Stage stage;
};

class SignalTest : public GuiTest, public testing::WithParamInterface<SignalCase> {};

TEST_P(SignalTest, EndsTheViewerWithoutLeavingThePalette) {
    const auto [number, stage] = GetParam();
    const std::string name = "signal-" + std::to_string(number) + "-" + std::to_string(int(stage));
    testsupport::TempDir broken;
    std::string error;
    GuiGameOptions noSettings;
    noSettings.fillerUnits = 0;
    noSettings.withSettings = false;
    ASSERT_TRUE(stage != Stage::FatalBox || BuildGuiGame(broken.str(), noSettings, &error)) << error;
    Viewer viewer(stage == Stage::FatalBox ? broken.path() : game_->path(), name, {},
                  {{"SHOWCASE_TEST_LOAD_DELAY", stage == Stage::Loading ? "250" : "0"}});
    if (stage == Stage::Loading) {
        ASSERT_TRUE(viewer.Wait("status Rover 02")) << viewer.Log();  // the palette exists by now
    } else if (stage == Stage::FatalBox) {
        ASSERT_TRUE(viewer.Wait("fatal ")) << viewer.Log();
        ASSERT_TRUE(Until([] { return WindowNamed("Fatal Error") != 0; }, 20000));
    } else {
        ASSERT_TRUE(viewer.Wait("about open")) << viewer.Log();
        if (stage == Stage::MainWindow) {
            CloseAbout(viewer);
            ASSERT_TRUE(viewer.WaitPanel([](const Fields& f) { return f.at("main") == "1"; }));
        }
    }
    EXPECT_EQ(viewer.PaletteLeft(), stage != Stage::FatalBox);
    viewer.Signal(number);
    EXPECT_EQ(viewer.WaitExit(2000), 1) << viewer.Log();
    EXPECT_FALSE(viewer.PaletteLeft());
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest,
                         testing::Values(SignalCase{SIGTERM, Stage::MainWindow}, SignalCase{SIGINT, Stage::MainWindow},
                                         SignalCase{SIGHUP, Stage::MainWindow}, SignalCase{SIGTERM, Stage::Loading},
                                         SignalCase{SIGINT, Stage::Loading}, SignalCase{SIGHUP, Stage::Loading},
                                         SignalCase{SIGTERM, Stage::AboutBox}, SignalCase{SIGINT, Stage::FatalBox}));

TEST_F(GuiTest, MissingSettingsFileIsFatal) {
    testsupport::TempDir game;
    std::string error;
    GuiGameOptions options;
    options.fillerUnits = 0;
    options.withSettings = false;
    ASSERT_TRUE(BuildGuiGame(game.str(), options, &error)) << error;
    Viewer viewer(game.path(), "fatal");
    auto fatal = viewer.Wait("fatal ");
    ASSERT_TRUE(fatal) << viewer.Log();
    EXPECT_EQ(*fatal, "fatal Could not open the Showcase information file");
    ASSERT_TRUE(Until([] { return WindowNamed("Fatal Error") != 0; }, 20000));
    EXPECT_EQ(WindowNamed("About Showcase"), 0u);
    EXPECT_EQ(viewer.ConfirmBox("Fatal Error"), 1) << viewer.Log();
}

TEST_F(GuiTest, WithoutAChosenGameFolderABoxSaysHowToMakeOne) {
    Viewer viewer(game_->path(), "choose", {"--choose-game"});
    ASSERT_TRUE(Until([] { return WindowNamed("Choose the game folder") != 0; }, 20000)) << viewer.Log();
    ASSERT_TRUE(Until([&] {
        SendDeleteWindow(WindowNamed("Choose the game folder"));
        return viewer.Wait("no-game", 5000).has_value();
    }, 20000)) << viewer.Log();
    ASSERT_TRUE(Until([] { return WindowNamed("Varnholt Showcase") != 0; }, 20000));
    EXPECT_EQ(viewer.ConfirmBox("Varnholt Showcase"), 1) << viewer.Log();
    EXPECT_FALSE(viewer.Wait("loading-box open", 0));
}

TEST_F(GuiTest, HelpAndVersionNeedNoDisplay) {
    auto help = testsupport::RunProgram(SHOWCASE_VIEWER_PATH, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: showcase"), std::string::npos);
    auto version = testsupport::RunProgram(SHOWCASE_VIEWER_PATH, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("showcase ", 0), 0u);
}

TEST_F(GuiTest, RunScriptStartsTheViewerOnTheDemoGame) {
    // run.sh only builds the demo game in this build folder and starts the viewer in it.
    fs::path build = fs::path(SHOWCASE_VIEWER_PATH).parent_path().parent_path().parent_path();
    Viewer viewer(game_->path(), "run_sh", {(fs::path(SHOWCASE_SOURCE_DIR) / "run.sh").string()},
                  {{"BUILD", build.string()}, {"SHOWCASE_RUN_NO_BUILD", "1"}}, "/bin/bash");
    CloseAbout(viewer);
    auto panel = viewer.WaitPanel([](const Fields& f) { return f.at("main") == "1"; });
    ASSERT_TRUE(panel) << viewer.Log();
    EXPECT_FALSE(panel->at("caption").empty());
    EXPECT_TRUE(fs::exists(build / "game" / "Varnho.GRB"));
    ASSERT_TRUE(SendDeleteWindow(WindowNamed("Varnholt Showcase")));
    EXPECT_EQ(viewer.WaitExit(), 1);
}

}  // namespace
