// The frame driver: time, scripts of every unit, firing, the action buttons,
// dragging, the turn buttons and what a frame draws.
#include <cmath>

#include "app/hooks.h"
#include "grib/draw/draw.h"
#include "grib/image/textures.h"
#include "platform/window.h"
#include "tests/app/app_support.h"

namespace {

using apptest::MakeSurface;
using apptest::Pixels;
using apptest::ScriptedUnit;

// Counts shots in static 0 and aims in static 1; the aim answers after
// 100 ms with the value in static 2 (set by Create to 1).
const char* kCountingScript =
    "piece base hull turret barrel\nstatic fired aims answer demo\n"
    "function Create\n push 1\n pop_static answer\n return\nfunction Demo\n push 1\n pop_static demo\n return\n"
    "function AimPrimary\n push_static aims\n push 1\n add\n pop_static aims\n push 100\n sleep\n push_static answer\n"
    " return\nfunction FirePrimary\n push_static fired\n push 1\n add\n pop_static fired\n return\n";

std::vector<std::string> g_played;
std::vector<std::pair<int, std::string>> g_labels;
uint32_t g_now = 0;
int g_pushed = 0;
constexpr double kSpin = 0.0092, kTurn = 0.052359877559829834, kFullTurn = 6.28318530717958;

class FrameTest : public apptest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        g_played.clear();
        g_labels.clear();
        g_viewerHooks.playSound = [](const void* image, size_t size, uint32_t flags) {
            g_played.push_back(image ? "play " + std::to_string(size) + " " + std::to_string(flags) : "stop");
            return 1;
        };
        g_viewerHooks.setButtonText = [](int id, const char* text) { g_labels.push_back({id, text}); };
    }
    // Loads the counting unit (and any others queued) and makes it current.
    ViewerUnit* LoadCounting() {
        units.push_back(ScriptedUnit("ARMCOUNT", kCountingScript));
        Load();
        return g_viewer.currentUnit = Unit("ARMCOUNT");
    }
    void Frames(int count, uint32_t elapsed) {
        for (int i = 0; i < count; ++i) DrawView(nullptr, surface.get(), elapsed);
    }
    static int32_t Fired(ViewerUnit* u) { return u->script->statics[0]; }
    static int32_t Aims(ViewerUnit* u) { return u->script->statics[1]; }
    apptest::BitmapPtr surface = MakeSurface(64, 48);
};

TEST_F(FrameTest, ZeroTicksAndTheAboutBoxStopTime) {
    ViewerUnit* u = LoadCounting();
    u->reloadTimer[0] = 10;
    Frames(1, 0);  // the queued Demo and the first aim get their turn
    EXPECT_EQ(std::pair(u->script->statics[3], Aims(u)), std::pair(1, 1));
    ASSERT_EQ(u->script->threads[0].state, SCRIPT_SLEEPING);
    const double angle = u->wrapper->angleY;
    const int32_t sleepLeft = u->script->threads[0].sleepLeft;
    // The reload timer, the spin ticks turned, whether the script's sleep counts down.
    auto state = [&] {
        const long turned = std::lround((u->wrapper->angleY - angle) / kSpin);
        return std::to_string(u->reloadTimer[0]) + " " + std::to_string(turned) +
               (u->script->threads[0].sleepLeft == sleepLeft ? " held" : " running");
    };
    Frames(3, 0);
    EXPECT_EQ(state(), "10 0 held");
    // The about box stops scripts and reloads; the view still turns.
    g_viewer.aboutOpen = true;
    Frames(1, 5);
    EXPECT_EQ(state(), "10 5 held");
    // Its close counts zero ticks once.
    g_viewer.aboutOpen = false;
    g_viewer.clockReset = true;
    Frames(1, 7);
    EXPECT_FALSE(g_viewer.clockReset);
    EXPECT_EQ(state(), "10 5 held");
    Frames(1, 2);
    EXPECT_EQ(state(), "8 7 running");
}

TEST_F(FrameTest, EveryUnitsScriptRunsButOnlyTheCurrentUnitsShotsSound) {
    units = {ScriptedUnit("CORTWO", kCountingScript), ScriptedUnit("CORGUN", kCountingScript)};
    apptest::SetInfo(units[1], "Weapon1", "GUN");  // no sound
    ViewerUnit* one = LoadCounting();
    ASSERT_STREQ(one->soundName[0], "zap");
    for (ViewerUnit* u : g_viewer.units) UnitCommand(u, ID_FIRE);
    Frames(10, 1);
    for (ViewerUnit* u : g_viewer.units)
        EXPECT_EQ(std::pair(u->script->statics[3], Fired(u)), std::pair(1, 1)) << u->fileName;
    EXPECT_EQ(g_played, std::vector<std::string>{"play " + std::to_string(KitGameWav(300, 0.1).size()) + " 5"});
    EXPECT_EQ(g_viewer.soundCache->count, 1);
}

TEST_F(FrameTest, ShotsWaitForAnAimThatAnswersAndForTheReload) {
    ViewerUnit* u = LoadCounting();
    ASSERT_EQ(u->reloadTicks[0], 45);
    Frames(1, 0);
    Frames(5, 1);  // the first aim has answered
    ASSERT_EQ(u->aim[0].aimed, 1);
    UnitCommand(u, ID_FIRE);
    UnitCommand(u, ID_FIRE);
    EXPECT_EQ(u->shotsPending[0], 2);
    EXPECT_EQ(u->shotsPending[1], 2) << "every slot queues, also those that can't fire";
    EXPECT_EQ(u->aim[0].aimed, 0) << "the first press re-sent the last aim";
    std::vector<int> shots;
    for (int tick = 1; tick <= 120; ++tick) {
        const int32_t before = Fired(u);
        Frames(1, 1);
        if (Fired(u) != before) shots.push_back(tick);
    }
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_TRUE(shots[0] <= 6 && shots[1] - shots[0] >= 45 && shots[1] - shots[0] <= 46) << shots[0] << " " << shots[1];
    EXPECT_EQ(u->shotsPending[0], 0);
    EXPECT_EQ(Aims(u), 3) << "start, press, and a repeat for the shot still queued";
    // An aim that answers 0 holds the shot back until one answers.
    u->script->statics[2] = 0;
    UnitCommand(u, ID_FIRE);
    Frames(100, 1);
    EXPECT_EQ(std::pair(Fired(u), u->shotsPending[0]), std::pair(2, 1));
    u->script->statics[2] = 5;
    UnitCommand(u, ID_AIM);
    Frames(10, 1);
    EXPECT_EQ(Fired(u), 3);
}

TEST_F(FrameTest, RandomAimsStayWithinTheirRanges) {
    units.push_back(apptest::SampleWith("ARMWIDE", {{"Weapon1", "GUN"}}));  // aim rate 0: anywhere
    ViewerUnit* u = LoadCounting();
    for (ViewerUnit* unit : g_viewer.units) {
        for (int i = 0; i < 200; ++i) {
            AimWeapons(unit, 1, 0);
            const int heading = unit->lastHeading[0], pitch = unit->lastPitch[0];
            EXPECT_TRUE(heading % 182 == 0 && heading / 182 <= 359 && pitch / 182 <= 45) << heading << " " << pitch;
        }
    }
    // Aim rate 9 degrees: each new heading lies within 18 degrees of the last.
    u->aimRate[0] = 9;
    for (int i = 0; i < 200; ++i) {
        const int before = u->lastHeading[0] / 182;
        AimWeapons(u, 1, 0);
        const int delta = (u->lastHeading[0] / 182 - before + 360) % 360;
        EXPECT_TRUE(delta < 18 || delta >= 360 - 18) << delta;
    }
    AimWeapons(u, 2, 0);
    const int h = u->lastHeading[0];
    AimWeapons(u, 2, -1);
    EXPECT_EQ(u->lastHeading[0], h) << "mode 2 aims again where the last aim went";
    AimWeapons(u, 0, -1);
    EXPECT_EQ(std::pair(u->lastHeading[0], u->lastPitch[2]), std::pair(0, 0));
}

TEST_F(FrameTest, ActivateAndMoveStartTheirFunctionsAndRelabelTheButtons) {
    units.push_back(ScriptedUnit("ARMTANK", KitTankScript()));
    Load();
    ViewerUnit* u = Unit("ARMTANK");
    PieceSlot* turret = SlotOf(u, "turret");
    for (int32_t raised : {327680, 0}) {
        UnitCommand(u, ID_ACTIVATE);
        for (int i = 0; i < 60; ++i) UpdateUnit(u, 1);
        EXPECT_EQ(turret->position[1], raised) << "Activate raises the turret, Deactivate lowers it";
    }
    for (int id : {int(ID_MOVE), int(ID_MOVE), 1013}) UnitCommand(u, id);  // 1013 is not an action: nothing
    EXPECT_EQ(u->active + u->moving, 0);
    EXPECT_EQ(g_labels, (std::vector<std::pair<int, std::string>>{
                            {1014, "Deactivate"}, {1014, "Activate"}, {1024, "Stop"}, {1024, "Move"}}));
}

LPARAM At(int x, int y) { return LPARAM(uint32_t(x) | (uint32_t(y) << 16)); }

TEST_F(FrameTest, DragsTurnTheViewAndFlingASpin) {
    g_now = 1000;
    g_viewerHooks.milliseconds = [] { return g_now; };
    units.push_back(KitSampleUnit("ARMTANK", "Tank"));
    Load();
    ViewerUnit* unit = g_viewer.currentUnit = Unit("ARMTANK");
    auto drag = [&](int x0, int y0, uint32_t ms, int x1, int y1) {
        ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(x0, y0));
        g_now += ms;
        ViewEvents(nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(x1, y1));
        ViewEvents(nullptr, WM_LBUTTONUP, 0, At(x1, y1));
    };
    // Pi over the view's width plus height per pixel; right turns negative,
    // up the same way as right; a fling spins at most 6 degrees per tick.
    const double start = unit->wrapper->angleY, turned = -10.0 / 200.0 * 3.14159265358979;
    for (auto [x0, y0, ms, x1, y1, spin] :
         {std::tuple{10, 10, 100u, 20, 10, turned / 100.0 * 33.333333333333336}, {20, 20, 1u, 20, 0, -0.10471975511965967},
          {20, 20, 1u, 0, 90, 0.10471975511965967}, {10, 10, 50u, 10, 10, 0.0}}) {
        drag(x0, y0, ms, x1, y1);
        EXPECT_DOUBLE_EQ(unit->spin, spin) << x1 << " " << y1;
        if (ms == 100) { EXPECT_DOUBLE_EQ(unit->wrapper->angleY, start + turned); }
    }
    // A move without the button ends the drag: nothing turns, release is idle.
    ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    const double angle = unit->wrapper->angleY;
    ViewEvents(nullptr, WM_MOUSEMOVE, 0, At(90, 10));
    ViewEvents(nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(50, 10));
    ViewEvents(nullptr, WM_LBUTTONUP, 0, At(50, 10));
    EXPECT_EQ(unit->spin, 0.0);
    g_viewer.currentUnit = nullptr;  // without a current unit nothing drags
    drag(10, 10, 5, 90, 10);
    EXPECT_EQ(unit->wrapper->angleY, angle);
    EXPECT_EQ(ViewEvents(nullptr, WM_RBUTTONDOWN, 0, 0), 0);
    g_viewer.currentUnit = unit;
    // The turn buttons override the spin while held; the angle stays within one turn.
    g_viewerHooks.buttonState = [](int id) { return id == g_pushed ? 4 : 0; };
    for (auto [button, ticks, turned] : {std::tuple{ID_TURN_RIGHT, 2u, -2 * kTurn}, {ID_TURN_LEFT, 1u, -kTurn}}) {
        g_pushed = button;
        Frames(1, ticks);
        EXPECT_DOUBLE_EQ(unit->wrapper->angleY, angle + turned) << button;
    }
    g_pushed = 0;
    for (double a : {6.3, -13.0}) {
        unit->wrapper->angleY = a;
        Frames(1, 0);
        EXPECT_DOUBLE_EQ(unit->wrapper->angleY, a > 0 ? a - kFullTurn : a + 2 * kFullTurn);
    }
}

TEST_F(FrameTest, TextsOverTheBackground) {
    KitGameUnit bare = apptest::SampleWith("ARMBARE", {{"Scale", "1.25"}});  // a model that draws nothing
    bare.model = {{"dot", "", {0, 0, 0}, -1, {{0, 0, 0}}, {}, {}}};
    bare.script = "piece dot\nfunction Create\n return\n";
    units.push_back(bare);
    Load();
    const int32_t fh = GRIB_FontHeight();
    ASSERT_GT(fh, 0);
    auto expected = MakeSurface(64, 48);
    auto frame = [&](GribBitmap* ViewerState::*background, std::vector<std::pair<const char*, int32_t>> texts) {
        Frames(1, 0);
        GRIB_BlitToScreen(expected.get(), g_viewer.*background, 0, 0);
        for (auto [text, y] : texts) y < 0 ? GRIB_DrawTextCentred(expected.get(), text, -y) : GRIB_DrawText(expected.get(), text, 5, y);
        EXPECT_EQ(Pixels(surface.get()), Pixels(expected.get())) << texts[0].first;
    };
    g_viewer.currentSide = 0;  // an empty side
    frame(&ViewerState::coreBackground, {{"No Units Loaded", -(48 - fh) / 2}});
    EXPECT_EQ(g_viewer.coreBackground->width, 64u) << "backgrounds are fitted to the view";
    g_viewer.currentSide = 1;
    g_viewer.currentUnit = Unit("ARMBARE");
    g_viewer.antialias = false;
    frame(&ViewerState::armBackground, {{"Scale: 125%", 48 - fh - 1}});
    g_viewer.showUnitName = true;
    frame(&ViewerState::armBackground, {{"Scale: 125%", 48 - fh - 1}, {"ARMBARE", 48 - 2 * fh - 1}});
    g_viewer.minimized = true;
    EXPECT_EQ(DrawView(nullptr, surface.get(), 0), 0);
}

TEST_F(FrameTest, AntialiasedFramesUseAScratchBitmapOfTwiceTheViewsSize) {
    units.push_back(KitSampleUnit("ARMTANK", "Tank"));
    Load();
    g_viewer.currentUnit = Unit("ARMTANK");
    auto view = MakeSurface(212, 196);
    EXPECT_EQ(DrawView(nullptr, view.get(), 0), 1);
    GribBitmap* scratch = ViewerScratchBitmap();
    ASSERT_NE(scratch, nullptr);
    EXPECT_EQ(std::pair(scratch->width, scratch->height), std::pair(424u, 392u));
    EXPECT_DOUBLE_EQ(g_viewer.currentUnit->view.baseScale, 5.0);
    Frames(1, 0);
    EXPECT_EQ(ViewerScratchBitmap()->width, 128u);
    g_viewer.antialias = false;
    Frames(1, 0);
    EXPECT_DOUBLE_EQ(g_viewer.currentUnit->view.baseScale, 2.5);
    auto bare = MakeSurface(64, 48);
    GRIB_BlitToScreen(bare.get(), g_viewer.armBackground, 0, 0);
    EXPECT_NE(Pixels(surface.get()), Pixels(bare.get())) << "the model is drawn";
}

TEST_F(FrameTest, HiddenPiecesAreNotFilledAndShadedOnesAreLitOnlyOnStructures) {
    units = {KitSampleUnit("ARMTANK", "Tank"), apptest::SampleWith("ARMBASE", {{"BMcode", "0"}})};
    Load();
    for (ViewerUnit* u : g_viewer.units) {
        g_viewer.currentUnit = u;
        u->script->SetPieceVisible(2, 0);  // turret
        Frames(1, 0);
        const auto* hull = SlotOf(u, "hull")->piece;
        EXPECT_EQ(std::tuple(SlotOf(u, "turret")->piece->fill, hull->fill, hull->lit),
                  std::tuple(0, 1, u->bmCode == 0 ? 1 : 0));
        u->script->SetPieceShadeFlag(1, 0);  // hull
        Frames(1, 0);
        EXPECT_EQ(SlotOf(u, "hull")->piece->lit, 0);
    }
    g_viewer.pieceLightFlags = false;
    g_viewer.currentUnit = Unit("ARMBASE");
    Frames(1, 0);
    EXPECT_EQ(SlotOf(Unit("ARMBASE"), "barrel")->piece->lit, 0);
}

TEST_F(FrameTest, TheLogoSetShowsTheCurrentSidesFrame) {
    Load();
    EXPECT_TRUE(g_viewer.units.empty());
    TextureSet* logos = GRIB_FindTextureSet("Logos");
    ASSERT_NE(logos, nullptr);
    g_viewer.currentSide = 0;
    Frames(2, 1);  // the first frame sets the cursor, the next advance shows it
    EXPECT_EQ(logos->cursors[0].frameIndex, 1);
    const GribImage* core = GRIB_FindTexture("Logo");
    ASSERT_NE(core, nullptr);
    Frames(5, 100);
    EXPECT_EQ(GRIB_FindTexture("Logo"), core) << "never advances by itself";
    EXPECT_EQ(core->data[0], 60);
    g_viewer.currentSide = 1;
    Frames(2, 1);
    EXPECT_EQ(std::pair(int(logos->cursors[0].frameIndex), int(GRIB_FindTexture("Logo")->data[0])), std::pair(0, 100));
}

}  // namespace
