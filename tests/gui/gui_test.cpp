// The viewer as a user meets it: started on a kit-built game under a private
// Xvfb, driven with xdotool, observed through its trace channel
// (SHOWCASE_TRACE). Every wait is on a trace line, a window or the process,
// with a generous deadline.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "tests/gui/gui_support.h"
#include "tests/gui/test_game.h"
#include "tests/support/support.h"

namespace fs = std::filesystem;

namespace {

using Fields = std::map<std::string, std::string>;

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
void Click(int x, int y) { Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}); }
void Click(const Rect& r) { Click(r.cx(), r.cy()); }

Fields Parse(const std::string& line) {
    Fields fields;
    std::stringstream in(line);
    for (std::string part; std::getline(in, part, '\t');)
        if (size_t eq = part.find('='); eq != std::string::npos) fields[part.substr(0, eq)] = part.substr(eq + 1);
    return fields;
}
// The fields of those keys joined with '|'.
std::string Pick(const Fields& f, const std::vector<std::string>& keys) {
    std::string out;
    for (const std::string& k : keys) out += (out.empty() ? "" : "|") + (f.count(k) ? f.at(k) : "?");
    return out;
}

// The viewer process with its log of trace lines and its own temp folder.
class Viewer {
public:
    // command: the viewer with its arguments, or what starts it; empty for the viewer alone.
    Viewer(const fs::path& game, const std::string& name, std::vector<std::string> command = {},
           std::vector<std::pair<std::string, std::string>> env = {})
        : log_(fs::path(GUI_ARTIFACT_DIR) / (name + ".log")), tmp_(game / ("tmp-" + name)) {
        fs::create_directories(log_.parent_path());
        fs::remove(log_);  // no lines of an earlier run
        fs::remove_all(tmp_);
        fs::create_directories(tmp_);
        if (command.empty()) command = {SHOWCASE_VIEWER_PATH};
        env.insert(env.begin(), {{"SHOWCASE_TRACE", "1"}, {"SDL_AUDIODRIVER", "dummy"}, {"TMPDIR", tmp_},
                                 {"SHOWCASE_OPENER", "true"},
                                 {"LSAN_OPTIONS", std::string("suppressions=") + GUI_LSAN_SUPPRESSIONS}});
        pid_ = Spawn(command, game, log_, env);
    }
    ~Viewer() {
        if (!Exited()) {
            kill(pid_, SIGKILL);
            ExitStatus(pid_, 20000);
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
    // ... to hold every field of want.
    std::optional<Fields> WaitPanel(const Fields& want) {
        return WaitPanel([&](const Fields& f) {
            for (const auto& [k, v] : want)
                if (!f.count(k) || f.at(k) != v) return false;
            return true;
        });
    }
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
        if (status_ == -1) status_ = ExitStatus(pid_, 0);
        return status_ != -1;
    }
    // The exit status (255 for -1), or -1 when it did not end in time.
    int WaitExit(int ms = 20000) { return Until([&] { return Exited(); }, ms) ? status_ : -1; }
    // Presses Return in the named box until the viewer ends (a key sent
    // before the box has the focus is lost).
    int ConfirmBox(const std::string& name) {
        for (int attempt = 0; attempt < 10 && !Exited(); ++attempt) {
            if (unsigned long id = WindowNamed(name)) Xdo({"windowfocus", std::to_string(id)});
            Xdo({"key", "Return"});
            WaitExit(2000);
        }
        return status_;
    }
    bool PaletteLeft() const { return !fs::is_empty(tmp_); }

private:
    pid_t pid_ = -1;
    int status_ = -1;
    fs::path log_, tmp_;
};

class GuiTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool server = StartXvfb();
        haveServer_ = server;
        game_ = new testsupport::TempDir;
        std::string error;
        built_ = BuildGuiGame(game_->str(), GuiGameOptions{}, &error);
        EXPECT_TRUE(built_) << error;
    }
    static void TearDownTestSuite() { delete std::exchange(game_, nullptr); }
    void SetUp() override {
        if (!haveServer_) GTEST_SKIP() << "Xvfb could not be started";
        if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is not installed";
        ASSERT_TRUE(built_);
    }
    // A game without its settings file: start-up ends in the fatal box.
    static void BuildBroken(const testsupport::TempDir& dir) {
        std::string error;
        ASSERT_TRUE(BuildGuiGame(dir.str(), GuiGameOptions{0, false}, &error)) << error;
    }
    // Closes the About box that the viewer opens with.
    static void CloseAbout(Viewer& viewer, size_t from = 0) {
        auto about = viewer.Wait("about open", 60000, from);
        ASSERT_TRUE(about) << viewer.Log();
        ASSERT_TRUE(Until([] { return WindowNamed("About Showcase") != 0; }, 20000));
        Rect ok = RectAfter(*about, "ok");
        // The first click may come before the box is ready for it.
        ASSERT_TRUE(Until([&] {
            Click(ok);
            return viewer.Wait("about closed", 5000, from).has_value();
        }, 20000)) << viewer.Log();
    }
    std::unique_ptr<Viewer> StartToMain(const std::string& name) {
        auto viewer = std::make_unique<Viewer>(game_->path(), name);
        CloseAbout(*viewer);
        EXPECT_TRUE(viewer->WaitPanel({{"main", "1"}})) << viewer->Log();
        return viewer;
    }
    static Rect ControlRect(Viewer& viewer, int id) { return ParseRect(viewer.State()["rect" + std::to_string(id)]); }
    // Clicks the first row of the unit list and moves the selection with keys.
    static void PickInList(Viewer& viewer, const std::vector<std::string>& keys) {
        Rect list = ControlRect(viewer, 1006);
        Click(list.x + 20, list.y + 6);
        for (const std::string& key : keys) Xdo({"key", key});
    }

    static inline testsupport::TempDir* game_ = nullptr;
    static inline bool built_ = false, haveServer_ = false;
};

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
    auto panel = viewer.WaitPanel({{"main", "1"}});
    ASSERT_TRUE(panel) << viewer.Log();
    EXPECT_EQ(Pick(*panel, {"side", "arm", "count", "sel", "item", "unit"}), "ARM|1|33|0|Alpha Tank|ARMALPHA");
    EXPECT_EQ(IconWidth(WindowNamed("Varnholt Showcase")), 32);  // icon 101

    // A later About box reads "OK" and opens the web site.
    size_t from = viewer.Lines().size();
    Click(ControlRect(viewer, 1026));
    auto again = viewer.Wait("about open", 20000, from);
    ASSERT_TRUE(again);
    EXPECT_NE(again->find("button=OK"), std::string::npos);
    ASSERT_TRUE(Until([] { return WindowNamed("About Showcase") != 0; }, 20000));
    EXPECT_TRUE(Until([&] {
        Click(RectAfter(*again, "web"));
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
    EXPECT_EQ(Pick(*picked, {"weapons", "speed"}), "LASER|18.0 m/s");

    Rect core = ControlRect(*viewer, 1031);
    Click(core);
    auto first = viewer->WaitPanel({{"unit", "CORBASTION"}});
    ASSERT_TRUE(first) << viewer->Log();
    EXPECT_EQ(Pick(*first, {"side", "count", "top", "weapons", "aim", "fire"}), "CORE|3|0|ROCKET|1|1");
    // Drone cannot fire: Aim and Fire go grey.
    PickInList(*viewer, {"Down", "Down"});
    auto drone = viewer->WaitPanel({{"unit", "CORDRONE"}});
    ASSERT_TRUE(drone) << viewer->Log();
    EXPECT_EQ(Pick(*drone, {"aim", "fire", "weapons", "energy"}), "0|0|None|1200");

    Click(ControlRect(*viewer, 1030));
    auto back = viewer->WaitPanel({{"side", "ARM"}, {"caption", armItem}});
    ASSERT_TRUE(back) << viewer->Log();
    EXPECT_EQ(Pick(*back, {"top", "sel"}), top + "|" + top);
    Click(core);
    EXPECT_TRUE(viewer->WaitPanel({{"side", "CORE"}, {"unit", "CORDRONE"}}));
}

TEST_F(GuiTest, ActionButtonsFollowTheUnitAndTheSliderScales) {
    auto viewer = StartToMain("actions");
    Rect activate = ControlRect(*viewer, 1014), move = ControlRect(*viewer, 1024);
    for (auto [button, field, label] : {std::tuple{activate, "activate", "Deactivate/1"}, {move, "move", "Stop/1"},
                                        {activate, "activate", "Activate/1"}}) {
        Click(button);
        EXPECT_TRUE(viewer->WaitPanel({{field, label}})) << label << viewer->Log();
    }
    // The tower (BMcode 0) can activate but neither move nor fire.
    PickInList(*viewer, {"Down"});
    auto tower = viewer->WaitPanel({{"unit", "ARMBEACON"}});
    ASSERT_TRUE(tower) << viewer->Log();
    EXPECT_EQ(Pick(*tower, {"speed", "acceleration", "turn", "activate", "move", "aim", "fire", "weapons"}),
              "N/A|N/A|N/A|Activate/1|Move/0|0|0|None");
    // Back on the tank its buttons remember its state.
    Xdo({"key", "Up"});
    auto tank = viewer->WaitPanel({{"unit", "ARMALPHA"}, {"sel", "0"}});
    ASSERT_TRUE(tank);
    EXPECT_EQ(Pick(*tank, {"move", "activate", "scale", "slider"}), "Stop/1|Activate/1|Scale: 100%|15/1");
    Rect slider = ControlRect(*viewer, 1029);
    Click(slider.cx(), slider.y + slider.h - 4);  // below the thumb: a page down
    EXPECT_TRUE(viewer->WaitPanel({{"scale", "Scale: 90%"}})) << viewer->Log();
    Click(slider.cx(), slider.y + 3);  // above: a page up
    EXPECT_TRUE(viewer->WaitPanel({{"scale", "Scale: 100%"}}));
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
    Click(ParseRect(state["rect1036"]));
    EXPECT_TRUE(Until([&] { return viewer->State()["spin"] == "0.000000"; }, 20000));
}

TEST_F(GuiTest, FramesFollowTheTicksNoneWhileMinimisedAndClosingExitsWithOne) {
    auto viewer = StartToMain("minimise");
    // Paced: never more frames than ticks (1/30 s) passed, plus the ones
    // that handled messages (the state requests).
    auto frames = [&] { return std::stol(viewer->State().at("frames")); };
    const auto start = std::chrono::steady_clock::now();
    const long before = frames();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long drawn = frames() - before;
    const auto passed = std::chrono::steady_clock::now() - start;
    EXPECT_LE(drawn, long(std::chrono::duration_cast<std::chrono::milliseconds>(passed).count()) / 33 + 4);
    EXPECT_GT(drawn, 0);

    const std::string id = std::to_string(WindowNamed("Varnholt Showcase"));
    size_t from = viewer->Lines().size();
    Xdo({"windowunmap", id});
    auto down = viewer->Wait("minimized 1", 20000, from);
    ASSERT_TRUE(down) << viewer->Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
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
    Click(RectAfter(*box, "abort"));
    EXPECT_EQ(viewer.WaitExit(), 255) << viewer.Log();
    EXPECT_FALSE(viewer.Wait("about open", 0));
    EXPECT_FALSE(viewer.PaletteLeft());
}

// SIGTERM, SIGINT and SIGHUP end the viewer as closing the main window does,
// whatever is up at the time.
enum class Stage { Loading, AboutBox, MainWindow, FatalBox };
using SignalCase = std::pair<int, Stage>;

class SignalTest : public GuiTest, public testing::WithParamInterface<SignalCase> {};

TEST_P(SignalTest, EndsTheViewerWithoutLeavingThePalette) {
    const auto [number, stage] = GetParam();
    testsupport::TempDir broken;
    if (stage == Stage::FatalBox) BuildBroken(broken);
    Viewer viewer(stage == Stage::FatalBox ? broken.path() : game_->path(),
                  "signal-" + std::to_string(number) + "-" + std::to_string(int(stage)), {},
                  {{"SHOWCASE_TEST_LOAD_DELAY", stage == Stage::Loading ? "250" : "0"}});
    if (stage == Stage::Loading) {
        ASSERT_TRUE(viewer.Wait("status Rover 02")) << viewer.Log();  // the palette exists by now
    } else if (stage == Stage::FatalBox) {
        ASSERT_TRUE(viewer.Wait("fatal ")) << viewer.Log();
        ASSERT_TRUE(Until([] { return WindowNamed("Fatal Error") != 0; }, 20000));
    } else if (stage == Stage::AboutBox) {
        ASSERT_TRUE(viewer.Wait("about open")) << viewer.Log();
    } else {
        CloseAbout(viewer);
        ASSERT_TRUE(viewer.WaitPanel({{"main", "1"}}));
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
    BuildBroken(game);
    Viewer viewer(game.path(), "fatal");
    auto fatal = viewer.Wait("fatal ");
    ASSERT_TRUE(fatal) << viewer.Log();
    EXPECT_EQ(*fatal, "fatal Could not open the Showcase information file");
    ASSERT_TRUE(Until([] { return WindowNamed("Fatal Error") != 0; }, 20000));
    EXPECT_EQ(WindowNamed("About Showcase"), 0u);
    EXPECT_EQ(viewer.ConfirmBox("Fatal Error"), 1) << viewer.Log();
}

TEST_F(GuiTest, ALightWaveDetailPolygonEndsTheViewerThroughItsOwnBox) {
    testsupport::TempDir game;
    std::string error;
    ASSERT_TRUE(BuildGuiGame(game.str(), GuiGameOptions{0, true, true}, &error)) << error;
    Viewer viewer(game.path(), "lightwave");
    auto fatal = viewer.Wait("fatal ");
    ASSERT_TRUE(fatal) << viewer.Log();
    EXPECT_EQ(*fatal, "fatal Polygon has a detail surface -- you are screwed.");
    ASSERT_TRUE(Until([] { return WindowNamed("Lightwave Object Error") != 0; }, 20000));
    EXPECT_FALSE(viewer.PaletteLeft());
    EXPECT_EQ(viewer.ConfirmBox("Lightwave Object Error"), 1) << viewer.Log();
}

TEST_F(GuiTest, WithoutAChosenGameFolderABoxSaysHowToMakeOne) {
    Viewer viewer(game_->path(), "choose", {SHOWCASE_VIEWER_PATH, "--choose-game"});
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
    for (auto [option, said] : {std::pair{"--help", "Usage: showcase"}, {"--version", "showcase "}}) {
        auto r = testsupport::RunProgram(SHOWCASE_VIEWER_PATH, {option});
        EXPECT_EQ(r.status, 0) << option;
        EXPECT_EQ(r.out.rfind(said, 0), 0u) << r.out;
    }
}

TEST_F(GuiTest, RunScriptStartsTheViewerOnTheDemoGame) {
    // run.sh only builds the demo game in this build folder and starts the viewer in it.
    fs::path build = fs::path(SHOWCASE_VIEWER_PATH).parent_path().parent_path().parent_path();
    Viewer viewer(game_->path(), "run_sh", {"/bin/bash", (fs::path(SHOWCASE_SOURCE_DIR) / "run.sh").string()},
                  {{"BUILD", build.string()}, {"SHOWCASE_RUN_NO_BUILD", "1"}});
    CloseAbout(viewer);
    auto panel = viewer.WaitPanel({{"main", "1"}});
    ASSERT_TRUE(panel) << viewer.Log();
    EXPECT_FALSE(panel->at("caption").empty());
    EXPECT_TRUE(fs::exists(build / "game" / "Varnho.GRB"));
    ASSERT_TRUE(SendDeleteWindow(WindowNamed("Varnholt Showcase")));
    EXPECT_EQ(viewer.WaitExit(), 1);
}

}  // namespace
