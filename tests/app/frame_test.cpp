// The frame driver: time, scripts of every unit, firing, the action buttons,
// dragging, the turn buttons and what a frame draws.
#include <cmath>

#include "app/settings.h"
#include "grib/draw/draw.h"
#include "grib/image/textures.h"
#include "tests/app/app_support.h"

namespace {

using apptest::GameTest;
using apptest::MakeSurface;
using apptest::Pixels;
using apptest::ScriptedUnit;

// Counts shots in static 0 (fired) and aims in static 1; the aim answers
// after 100 ms with the value in static 2 (set by Create to 1).
const char* kCountingScript = R"(piece base hull turret barrel
static fired aims answer demo
function Create
    push 1
    pop_static answer
    return
function Demo
    push 1
    pop_static demo
    return
function AimPrimary
    push_static aims
    push 1
    add
    pop_static aims
    push 100
    sleep
    push_static answer
    return
function FirePrimary
    push_static fired
    push 1
    add
    pop_static fired
    return
)";

std::vector<std::string> g_played;
std::vector<std::pair<int, std::string>> g_labels;
uint32_t g_now = 0;
int g_pushed = 0;

class FrameTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        g_played.clear();
        g_labels.clear();
        savedSound = g_playSound;
        g_playSound = [](const void* image, size_t size, uint32_t flags) {
            g_played.push_back(image ? "play " + std::to_string(size) + " " + std::to_string(flags)
                                     : "stop " + std::to_string(flags));
            return 1;
        };
        g_setButtonText = [](int id, const char* text) { g_labels.push_back({id, text}); };
    }
    void TearDown() override {
        g_playSound = savedSound;
        GameTest::TearDown();
    }
    int32_t Fired(ViewerUnit* u) const { return u->script->statics[0]; }
    int32_t Aims(ViewerUnit* u) const { return u->script->statics[1]; }

    int (*savedSound)(const void*, size_t, uint32_t) = nullptr;
    apptest::BitmapPtr surface = MakeSurface(64, 48);
};

TEST_F(FrameTest, ZeroElapsedTicksChangeNothingTimed) {
    units.push_back(ScriptedUnit("ARMCOUNT", kCountingScript));
    Load();
    ViewerUnit* u = Unit("ARMCOUNT");
    ASSERT_NE(u, nullptr);
    g_viewer.currentUnit = u;
    u->reloadTimer[0] = 10;
    DrawView(nullptr, surface.get(), 0);  // the queued Demo and the first aim get their turn
    EXPECT_EQ(u->script->statics[3], 1);
    EXPECT_EQ(Aims(u), 1);
    const double angle = u->wrapper->angleY;
    const int32_t sleepLeft = u->script->threads[0].sleepLeft;
    ASSERT_EQ(u->script->threads[0].state, SCRIPT_SLEEPING);
    for (int i = 0; i < 3; ++i) DrawView(nullptr, surface.get(), 0);
    EXPECT_EQ(u->reloadTimer[0], 10);
    EXPECT_EQ(u->wrapper->angleY, angle);
    EXPECT_EQ(u->script->threads[0].sleepLeft, sleepLeft);
    DrawView(nullptr, surface.get(), 2);
    EXPECT_EQ(u->reloadTimer[0], 8);
    EXPECT_DOUBLE_EQ(u->wrapper->angleY, angle + 2 * 0.0092);
}

TEST_F(FrameTest, TheAboutBoxStopsTimeAndItsCloseCountsZeroTicks) {
    units.push_back(ScriptedUnit("ARMCOUNT", kCountingScript));
    Load();
    ViewerUnit* u = Unit("ARMCOUNT");
    g_viewer.currentUnit = u;
    g_viewer.aboutOpen = true;
    u->reloadTimer[0] = 10;
    const double angle = u->wrapper->angleY;
    DrawView(nullptr, surface.get(), 5);
    EXPECT_EQ(u->script->statics[3], 0);  // Demo has not run
    EXPECT_EQ(u->reloadTimer[0], 10);
    EXPECT_DOUBLE_EQ(u->wrapper->angleY, angle + 5 * 0.0092);  // the view still turns
    g_viewer.aboutOpen = false;
    g_viewer.clockReset = true;
    DrawView(nullptr, surface.get(), 7);
    EXPECT_FALSE(g_viewer.clockReset);
    EXPECT_EQ(u->script->statics[3], 1);  // scripts run, with 0 ticks
    EXPECT_EQ(u->reloadTimer[0], 10);
    EXPECT_DOUBLE_EQ(u->wrapper->angleY, angle + 5 * 0.0092);
    DrawView(nullptr, surface.get(), 7);
    EXPECT_EQ(u->reloadTimer[0], 3);
}

TEST_F(FrameTest, EveryUnitsScriptRunsButOnlyTheCurrentUnitsShotsSound) {
    units.push_back(ScriptedUnit("ARMONE", kCountingScript));
    units.push_back(ScriptedUnit("CORTWO", kCountingScript));
    Load();
    ViewerUnit* one = Unit("ARMONE");
    ViewerUnit* two = Unit("CORTWO");
    ASSERT_TRUE(one && two);
    ASSERT_STREQ(one->soundName[0], "zap");
    g_viewer.currentUnit = one;
    UnitCommand(one, ID_FIRE);
    UnitCommand(two, ID_FIRE);
    for (int i = 0; i < 10; ++i) DrawView(nullptr, surface.get(), 1);
    EXPECT_EQ(two->script->statics[3], 1);
    EXPECT_EQ(Fired(one), 1);
    EXPECT_EQ(Fired(two), 1);
    ASSERT_EQ(g_played.size(), 1u);
    EXPECT_EQ(g_played[0], "play " + std::to_string(KitGameWav(300, 0.1).size()) + " 5");
    EXPECT_EQ(g_viewer.soundCache->count, 1);
}

TEST_F(FrameTest, FirePressesQueueShotsThatWaitForTheAimAndTheReload) {
    units.push_back(ScriptedUnit("ARMCOUNT", kCountingScript));
    Load();
    ViewerUnit* u = Unit("ARMCOUNT");
    ASSERT_EQ(u->reloadTicks[0], 45);
    g_viewer.currentUnit = u;
    DrawView(nullptr, surface.get(), 0);
    for (int i = 0; i < 5; ++i) DrawView(nullptr, surface.get(), 1);  // the first aim has answered
    ASSERT_EQ(u->aim[0].aimed, 1);
    UnitCommand(u, ID_FIRE);
    UnitCommand(u, ID_FIRE);
    EXPECT_EQ(u->shotsPending[0], 2);
    EXPECT_EQ(u->shotsPending[1], 2);  // every slot queues, also those that can't fire
    EXPECT_EQ(u->aim[0].aimed, 0);     // the first press re-sent the last aim
    std::vector<int> shots;
    for (int tick = 1; tick <= 120; ++tick) {
        int32_t before = Fired(u);
        DrawView(nullptr, surface.get(), 1);
        if (Fired(u) != before) shots.push_back(tick);
    }
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_LE(shots[0], 6);
    EXPECT_GE(shots[1] - shots[0], 45);
    EXPECT_LE(shots[1] - shots[0], 46);
    EXPECT_EQ(u->shotsPending[0], 0);
    EXPECT_EQ(u->shotsPending[1], 2);
    EXPECT_EQ(Aims(u), 3);  // start, press, and a repeat for the shot still queued
}

TEST_F(FrameTest, AnAimThatReturnsZeroNeverFires) {
    units.push_back(ScriptedUnit("ARMCOUNT", kCountingScript));
    Load();
    ViewerUnit* u = Unit("ARMCOUNT");
    g_viewer.currentUnit = u;
    u->script->statics[2] = 0;
    UnitCommand(u, ID_FIRE);
    for (int i = 0; i < 100; ++i) DrawView(nullptr, surface.get(), 1);
    EXPECT_EQ(Fired(u), 0);
    EXPECT_EQ(u->shotsPending[0], 1);
    EXPECT_TRUE(g_played.empty());
    // Once an aim answers, the waiting shot goes.
    u->script->statics[2] = 5;
    UnitCommand(u, ID_AIM);
    for (int i = 0; i < 10; ++i) DrawView(nullptr, surface.get(), 1);
    EXPECT_EQ(Fired(u), 1);
}

TEST_F(FrameTest, RandomAimsStayWithinTheirRanges) {
    units.push_back(ScriptedUnit("ARMCOUNT", kCountingScript));
    KitGameUnit wide = ScriptedUnit("ARMWIDE", kCountingScript);
    apptest::SetInfo(wide, "Weapon1", "GUN");  // aim rate 0: anywhere
    units.push_back(wide);
    Load();
    for (ViewerUnit* u : g_viewer.units) {
        for (int i = 0; i < 200; ++i) {
            AimWeapons(u, 1, 0);
            EXPECT_EQ(u->lastHeading[0] % 182, 0);
            EXPECT_LE(u->lastHeading[0] / 182, 359);
            EXPECT_LE(u->lastPitch[0] / 182, 45);
        }
    }
    // Aim rate 9 degrees: each new heading lies within 18 degrees of the
    // last (the walk starts from the last aim in degrees).
    ViewerUnit* u = Unit("ARMCOUNT");
    std::snprintf(u->weaponName[0], sizeof u->weaponName[0], "SLOW");
    u->aimRate[0] = 1820 * 360 / 65536;
    ASSERT_EQ(u->aimRate[0], 9);
    for (int i = 0; i < 200; ++i) {
        int before = u->lastHeading[0] / 182;
        AimWeapons(u, 1, 0);
        int delta = (u->lastHeading[0] / 182 - before + 360) % 360;
        EXPECT_TRUE(delta < 18 || delta >= 360 - 18) << delta;
    }
    AimWeapons(u, 2, 0);
    int h = u->lastHeading[0];
    AimWeapons(u, 2, -1);
    EXPECT_EQ(u->lastHeading[0], h);
    AimWeapons(u, 0, -1);
    EXPECT_EQ(u->lastHeading[0], 0);
    EXPECT_EQ(u->lastPitch[2], 0);
}

TEST_F(FrameTest, ActivateAndMoveStartTheirFunctionsAndRelabelTheButtons) {
    units.push_back(ScriptedUnit("ARMTANK", KitTankScript()));
    Load();
    ViewerUnit* u = Unit("ARMTANK");
    ASSERT_NE(u, nullptr);
    PieceSlot* turret = SlotOf(u, "turret");
    UnitCommand(u, ID_ACTIVATE);
    EXPECT_EQ(u->active, 1);
    for (int i = 0; i < 60; ++i) UpdateUnit(u, 1);
    EXPECT_EQ(turret->position[1], 327680);  // Activate raised the turret
    UnitCommand(u, ID_ACTIVATE);
    for (int i = 0; i < 60; ++i) UpdateUnit(u, 1);
    EXPECT_EQ(turret->position[1], 0);
    UnitCommand(u, ID_MOVE);
    UnitCommand(u, ID_MOVE);
    UnitCommand(u, 1013);  // not an action: nothing
    EXPECT_EQ(u->active, 0);
    EXPECT_EQ(u->moving, 0);
    EXPECT_EQ(g_labels, (std::vector<std::pair<int, std::string>>{
                            {1014, "Deactivate"}, {1014, "Activate"}, {1024, "Stop"}, {1024, "Move"}}));
}

class DragTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        g_now = 1000;
        g_milliseconds = [] { return g_now; };
        units.push_back(KitSampleUnit("ARMTANK", "Tank"));
        Load();
        unit = Unit("ARMTANK");
        g_viewer.currentUnit = unit;
    }
    static LPARAM At(int x, int y) { return LPARAM(uint32_t(x) | (uint32_t(y) << 16)); }
    ViewerUnit* unit = nullptr;
};

TEST_F(DragTest, ADragTurnsByPiOverTheViewsWidthPlusHeightAndFlingsSpin) {
    ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    EXPECT_EQ(unit->spin, 0.0);
    const double start = unit->wrapper->angleY;
    g_now += 100;
    ViewEvents(nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(20, 10));  // right: turns negative
    const double expected = -10.0 / 200.0 * 3.14159265358979;
    EXPECT_DOUBLE_EQ(unit->wrapper->angleY, start + expected);
    ViewEvents(nullptr, WM_LBUTTONUP, 0, At(20, 10));
    EXPECT_DOUBLE_EQ(unit->spin, expected / 100.0 * 33.333333333333336);
    // Up (y shrinking) turns the same way as right.
    ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    g_now += 1;
    ViewEvents(nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(20, 0));
    ViewEvents(nullptr, WM_LBUTTONUP, 0, At(20, 0));
    EXPECT_DOUBLE_EQ(unit->spin, -0.10471975511965967);  // limited to 6 degrees per tick
    ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    g_now += 1;
    ViewEvents(nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(0, 90));
    ViewEvents(nullptr, WM_LBUTTONUP, 0, At(0, 90));
    EXPECT_DOUBLE_EQ(unit->spin, 0.10471975511965967);
}

TEST_F(DragTest, ReleasingWithoutAMoveOrAfterTheButtonWentUpLeavesNoSpin) {
    ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    g_now += 50;
    ViewEvents(nullptr, WM_LBUTTONUP, 0, At(10, 10));
    EXPECT_EQ(unit->spin, 0.0);
    // A move without the button ends the drag: nothing turns, release is idle.
    ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    const double angle = unit->wrapper->angleY;
    g_now += 5;
    ViewEvents(nullptr, WM_MOUSEMOVE, 0, At(90, 10));
    ViewEvents(nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(50, 10));
    EXPECT_EQ(unit->wrapper->angleY, angle);
    ViewEvents(nullptr, WM_LBUTTONUP, 0, At(50, 10));
    EXPECT_EQ(unit->spin, 0.0);
    // Without a current unit nothing drags.
    g_viewer.currentUnit = nullptr;
    ViewEvents(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    ViewEvents(nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(90, 10));
    EXPECT_EQ(unit->wrapper->angleY, angle);
    EXPECT_EQ(ViewEvents(nullptr, WM_RBUTTONDOWN, 0, 0), 0);
}

TEST_F(DragTest, TurnButtonsOverrideTheSpinWhileHeld) {
    g_pushed = ID_TURN_RIGHT;
    g_buttonState = [](int id) { return id == g_pushed ? 4 : 0; };
    const double angle = unit->wrapper->angleY;
    DrawView(nullptr, surface.get(), 2);
    EXPECT_DOUBLE_EQ(unit->wrapper->angleY, angle - 2 * 0.052359877559829834);
    g_pushed = ID_TURN_LEFT;
    DrawView(nullptr, surface.get(), 1);
    EXPECT_DOUBLE_EQ(unit->wrapper->angleY, angle - 0.052359877559829834);
    EXPECT_DOUBLE_EQ(unit->spin, 0.0092);
    // The angle is kept within one turn either way.
    g_pushed = 0;
    unit->wrapper->angleY = 6.3;
    DrawView(nullptr, surface.get(), 0);
    EXPECT_DOUBLE_EQ(unit->wrapper->angleY, 6.3 - 6.28318530717958);
    unit->wrapper->angleY = -13.0;
    DrawView(nullptr, surface.get(), 0);
    EXPECT_DOUBLE_EQ(unit->wrapper->angleY, -13.0 + 2 * 6.28318530717958);
}

// A unit whose model draws nothing, so a frame is background and text.
KitGameUnit BareUnit(const std::string& file, const std::string& scale) {
    KitGameUnit u = KitSampleUnit(file, file);
    KitModelPiece p;
    p.name = "dot";
    p.vertices = {{0, 0, 0}};
    u.model = {p};
    u.script = "piece dot\nfunction Create\n return\n";
    apptest::SetInfo(u, "Scale", scale);
    return u;
}

TEST_F(FrameTest, TheScaleTextAndTheUnitNameSitAtTheBottomLeft) {
    units.push_back(BareUnit("ARMBARE", "1.25"));
    Load();
    g_viewer.currentUnit = Unit("ARMBARE");
    g_viewer.antialias = false;
    const int32_t fh = GRIB_FontHeight();
    ASSERT_GT(fh, 0);
    DrawView(nullptr, surface.get(), 0);
    auto expected = MakeSurface(64, 48);
    GRIB_BlitToScreen(expected.get(), g_viewer.armBackground, 0, 0);
    GRIB_DrawText(expected.get(), "Scale: 125%", 5, 48 - fh - 1);
    EXPECT_EQ(Pixels(surface.get()), Pixels(expected.get()));
    g_viewer.showUnitName = true;
    DrawView(nullptr, surface.get(), 0);
    GRIB_DrawText(expected.get(), "ARMBARE", 5, 48 - 2 * fh - 1);
    EXPECT_EQ(Pixels(surface.get()), Pixels(expected.get()));
    g_viewer.currentUnit->view.scale = 1.0;
    g_viewer.showUnitName = false;
    DrawView(nullptr, surface.get(), 0);
    GRIB_BlitToScreen(expected.get(), g_viewer.armBackground, 0, 0);
    GRIB_DrawText(expected.get(), "Scale: 100%", 5, 48 - fh - 1);
    EXPECT_EQ(Pixels(surface.get()), Pixels(expected.get()));
}

TEST_F(FrameTest, AnEmptySideShowsNoUnitsLoadedOverItsBackground) {
    Load();
    g_viewer.currentSide = 0;
    EXPECT_EQ(DrawView(nullptr, surface.get(), 3), 1);
    ASSERT_NE(g_viewer.coreBackground, nullptr);
    EXPECT_EQ(g_viewer.coreBackground->width, 64u);
    EXPECT_EQ(g_viewer.coreBackground->height, 48u);
    auto expected = MakeSurface(64, 48);
    GRIB_BlitToScreen(expected.get(), g_viewer.coreBackground, 0, 0);
    GRIB_DrawTextCentred(expected.get(), "No Units Loaded", (48 - GRIB_FontHeight()) / 2);
    EXPECT_EQ(Pixels(surface.get()), Pixels(expected.get()));
    g_viewer.currentSide = 1;
    DrawView(nullptr, surface.get(), 0);
    EXPECT_NE(Pixels(surface.get()), Pixels(expected.get()));
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
    EXPECT_EQ(scratch->width, 424u);
    EXPECT_EQ(scratch->height, 392u);
    EXPECT_STREQ(GRIB_BlockTag(scratch), "Scratch");
    EXPECT_DOUBLE_EQ(g_viewer.currentUnit->view.baseScale, 5.0);
    EXPECT_EQ(g_viewer.viewWidth, 212);
    DrawView(nullptr, surface.get(), 0);
    EXPECT_EQ(ViewerScratchBitmap()->width, 128u);
    // The model is drawn: the frame differs from the halved background.
    g_viewer.antialias = false;
    DrawView(nullptr, surface.get(), 0);
    EXPECT_DOUBLE_EQ(g_viewer.currentUnit->view.baseScale, 2.5);
    auto bare = MakeSurface(64, 48);
    GRIB_BlitToScreen(bare.get(), g_viewer.armBackground, 0, 0);
    EXPECT_NE(Pixels(surface.get()), Pixels(bare.get()));
}

TEST_F(FrameTest, HiddenPiecesAreNotFilledAndShadedOnesAreLitOnlyOnStructures) {
    KitGameUnit tank = KitSampleUnit("ARMTANK", "Tank");
    KitGameUnit base = KitSampleUnit("ARMBASE", "Base");
    apptest::SetInfo(base, "BMcode", "0");
    units = {tank, base};
    Load();
    for (ViewerUnit* u : g_viewer.units) {
        g_viewer.currentUnit = u;
        UnitScriptHost* host = u->script;
        host->SetPieceVisible(2, 0);  // turret
        DrawView(nullptr, surface.get(), 0);
        PieceSlot* turret = SlotOf(u, "turret");
        PieceSlot* hull = SlotOf(u, "hull");
        EXPECT_EQ(turret->piece->fill, 0);
        EXPECT_EQ(hull->piece->fill, 1);
        EXPECT_EQ(hull->piece->lit, u->bmCode == 0 ? 1 : 0);
        host->SetPieceShadeFlag(1, 0);  // hull
        g_viewer.pieceLightFlags = true;
        DrawView(nullptr, surface.get(), 0);
        EXPECT_EQ(hull->piece->lit, 0);
    }
    g_viewer.pieceLightFlags = false;
    g_viewer.currentUnit = Unit("ARMBASE");
    DrawView(nullptr, surface.get(), 0);
    EXPECT_EQ(SlotOf(Unit("ARMBASE"), "barrel")->piece->lit, 0);
}

TEST_F(FrameTest, TheLogoSetShowsTheCurrentSidesFrame) {
    Load();
    TextureSet* logos = GRIB_FindTextureSet("Logos");
    ASSERT_NE(logos, nullptr);
    g_viewer.currentSide = 0;
    DrawView(nullptr, surface.get(), 1);
    EXPECT_EQ(logos->cursors[0].frameIndex, 1);
    DrawView(nullptr, surface.get(), 1);  // the next advance shows it
    const GribImage* core = GRIB_FindTexture("Logo");
    ASSERT_NE(core, nullptr);
    for (int i = 0; i < 5; ++i) DrawView(nullptr, surface.get(), 100);  // never advances by itself
    EXPECT_EQ(GRIB_FindTexture("Logo"), core);
    EXPECT_EQ(core->data[0], 60);
    g_viewer.currentSide = 1;
    DrawView(nullptr, surface.get(), 1);
    DrawView(nullptr, surface.get(), 1);
    EXPECT_EQ(logos->cursors[0].frameIndex, 0);
    EXPECT_NE(GRIB_FindTexture("Logo"), core);
    EXPECT_EQ(GRIB_FindTexture("Logo")->data[0], 100);
}

}  // namespace
