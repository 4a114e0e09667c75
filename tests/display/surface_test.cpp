// The surface window: its slot table, the bitmap it builds on paint and
// resize, the frame message, the palette and the timers.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "grib/display/window.h"
#include "grib/env/env.h"
#include "platform/platform.h"
#include "tests/platform/display_env.h"
#include "tests/support/support.h"

namespace {

int g_draws;
int g_result = 1;
uint8_t g_fill = 1;
std::vector<uint32_t> g_lastSize;  // width, height and pitch of the last bitmap drawn
std::vector<uint32_t> g_events;

int FillDraw(HWND, GribBitmap* bitmap, uint32_t) {
    ++g_draws;
    g_lastSize = {bitmap->width, bitmap->height, bitmap->pitch};
    GRIB_ClearBitmap(bitmap, g_fill);
    return g_result;
}

LRESULT Events(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    g_events.push_back(message);
    return PlatformDefWindowProc(window, message, wParam, lParam);
}

void Drain() {
    PlatformMessage m{};
    while (PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        if (m.message != WM_QUIT) PlatformDispatchMessage(&m);
}

// The window's pixels as shown, with its width and height in front.
std::vector<int> Pixels(HWND window) {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb(640 * 480 * 3);
    if (!PlatformReadWindowPixels(window, &width, &height, rgb.data(), rgb.size())) return {};
    std::vector<int> out = {width, height};
    out.insert(out.end(), rgb.begin(), rgb.begin() + width * height * 3);
    return out;
}
const GribSurfaceSlot* SlotOf(HWND window) { return GRIB_SurfaceSlot(GRIB_SurfaceSlotOf(window)); }

class SurfaceTest : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_DISPLAY();
        GRIB_InstallDisplayHooks(nullptr);
        ASSERT_EQ(GRIB_Startup(30, nullptr, 0), 1);
        static bool registered = false;
        if (!registered) {
            PlatformWindowClass wc{0, PlatformDefWindowProc, nullptr, 0, IDC_ARROW, PLATFORM_BRUSH_FACE, "SurfaceParent"};
            ASSERT_EQ(PlatformRegisterClass(&wc), 1);
            registered = true;
        }
        parent_ = PlatformCreateWindow(0, "SurfaceParent", "surfaces", WS_CAPTION | WS_VISIBLE, 0, 0, 400, 300,
                                       nullptr, 0, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        Drain();
        g_draws = 0;
        g_result = 1;
        g_fill = 1;
        g_events.clear();
    }
    void TearDown() override {
        if (parent_) PlatformDestroyWindow(parent_);
        GRIB_SetPlatformHooks(nullptr);
    }
    HWND Make(int w = 40, int h = 30, const char* palette = nullptr, uint32_t mode = 0,
              GribEventCallback events = nullptr) {
        return GRIB_CreateSurfaceWindow(parent_, 4, 4, w, h, FillDraw, events, mode, palette);
    }
    HWND parent_ = nullptr;
};

TEST_F(SurfaceTest, SixteenSlotsAndAFreedSlotIsTakenAgain) {
    std::vector<HWND> windows;
    for (int i = 0; i < GRIB_SURFACE_SLOTS; ++i) {
        HWND w = Make(8, 8);
        ASSERT_NE(w, nullptr) << i;
        EXPECT_EQ(GRIB_SurfaceSlotOf(w), i);
        windows.push_back(w);
    }
    EXPECT_EQ(Make(8, 8), nullptr);
    PlatformDestroyWindow(windows[5]);
    EXPECT_EQ(GRIB_SurfaceSlot(5)->used, 0u);
    HWND again = Make(8, 8);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GRIB_SurfaceSlotOf(again), 5);
    EXPECT_EQ(GRIB_SurfaceSlot(16), nullptr);
}

TEST_F(SurfaceTest, TheFirstPaintBuildsTheBitmapAndAResizeRebuildsIt) {
    HWND w = Make(10, 6);
    ASSERT_NE(w, nullptr);
    const GribSurfaceSlot* slot = SlotOf(w);
    EXPECT_EQ(slot->pitch, 12u);
    EXPECT_EQ(slot->memoryContext, nullptr);
    Drain();
    ASSERT_NE(slot->memoryContext, nullptr);
    EXPECT_EQ(g_lastSize, (std::vector<uint32_t>{10, 6, 12}));
    EXPECT_EQ(slot->bitmap.pixels, slot->dibPixels);
    // Without a palette the indices show as greys.
    std::vector<int> shown = {10, 6};
    shown.resize(2 + 10 * 6 * 3, 1);
    EXPECT_EQ(Pixels(w), shown);
    // A resize to 2 x 3 rebuilds the bitmap at 4 x 4; a move alone keeps it.
    g_lastSize.clear();
    PlatformSetWindowPos(w, nullptr, 0, 0, 2, 3, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ((std::vector<int>{slot->width, slot->height, int(slot->pitch)}), (std::vector<int>{4, 4, 4}));
    Drain();
    EXPECT_EQ(g_lastSize, (std::vector<uint32_t>{4, 4, 4}));
    PlatformDC* before = slot->memoryContext;
    PlatformSetWindowPos(w, nullptr, 9, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(slot->memoryContext, before);
}

TEST_F(SurfaceTest, FrameMessagesDrawAndShowOnlyWhatChanged) {
    HWND w = GRIB_CreateSurfaceWindow(parent_, 0, 0, 16, 16, FillDraw, Events, 0, nullptr);
    ASSERT_NE(w, nullptr);
    // Before the first paint a frame message paints, which builds the bitmap.
    PlatformValidateRect(w, nullptr);
    PlatformSendMessage(w, GRIB_FRAME_MESSAGE, 0, 0);
    EXPECT_EQ(g_draws, 1);
    EXPECT_NE(SlotOf(w)->memoryContext, nullptr);
    EXPECT_EQ(PlatformWindowPresentCount(w), 1u);
    // That frame message went on to the event callback, the paint did not.
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), GRIB_FRAME_MESSAGE), g_events.end());
    EXPECT_EQ(std::find(g_events.begin(), g_events.end(), WM_PAINT), g_events.end());
    g_events.clear();
    // A frame that drew nothing leaves the screen, but a paint shows it.
    g_result = 0;
    g_fill = 5;
    PlatformSendMessage(w, GRIB_FRAME_MESSAGE, 0, 0);
    EXPECT_TRUE(g_events.empty());
    EXPECT_EQ(PlatformWindowPresentCount(w), 1u);
    EXPECT_EQ(Pixels(w)[2], 1);
    PlatformInvalidate(w);
    Drain();
    EXPECT_GE(PlatformWindowPresentCount(w), 2u);  // the server may ask for another paint
    EXPECT_EQ(Pixels(w)[2], 5);
    g_result = 1;
    g_fill = 7;
    PlatformSendMessage(w, GRIB_FRAME_MESSAGE, 0, 0);
    EXPECT_EQ(Pixels(w)[2], 7);
    // Mouse moves are remembered and passed on.
    PlatformSendMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(5, 7));
    EXPECT_EQ((std::vector<int>{SlotOf(w)->mouseX, SlotOf(w)->mouseY}), (std::vector<int>{5, 7}));
    EXPECT_EQ(g_events.back(), WM_MOUSEMOVE);
}

TEST_F(SurfaceTest, ThePaletteFileGivesTheColours) {
    testsupport::TempDir dir;
    std::vector<uint8_t> palette(1024, 0);
    std::copy_n("\x0a\x14\x1e", 3, palette.begin() + 4);
    HWND w = Make(8, 8, dir.write("test.pal", palette).c_str());
    ASSERT_NE(SlotOf(w)->paletteCopy, nullptr);
    EXPECT_NE(SlotOf(w)->palette, nullptr);
    Drain();
    std::vector<int> rgb = Pixels(w);
    ASSERT_GE(rgb.size(), 5u);
    EXPECT_EQ((std::vector<int>(rgb.begin() + 2, rgb.begin() + 5)), (std::vector<int>{10, 20, 30}));
    // A missing or short palette file leaves the window without a palette.
    dir.write("short.pal", std::vector<uint8_t>(100, 1));
    for (const char* name : {"/missing.pal", "/short.pal"})
        EXPECT_EQ(SlotOf(Make(8, 8, (dir.str() + name).c_str()))->paletteCopy, nullptr) << name;
}

TEST_F(SurfaceTest, TimerModesGiveTheirPeriods) {
    for (auto [mode, period] : {std::pair{0u, 0u}, {3u, 1000u}, {6u, 100u}, {9u, 1u}, {4u, 0u}})
        EXPECT_EQ(GRIB_TimerPeriod(mode), period) << mode;
    EXPECT_EQ(SlotOf(Make(8, 8, nullptr, 4))->timerId, 0u);
}

TEST_F(SurfaceTest, TheGlobalTimerHandsOutFramesToWindowsThatAskedForThem) {
    GRIB_DisplayShutdown();
    ASSERT_EQ(GRIB_DisplayStartup(nullptr, 9), 1);
    PlatformDestroyWindow(parent_);
    parent_ = PlatformCreateWindow(0, "SurfaceParent", "timed", WS_CAPTION | WS_VISIBLE, 0, 0, 100, 100, nullptr, 0,
                                   nullptr, nullptr);
    HWND timed = Make(8, 8, nullptr, 6);
    HWND idle = Make(8, 8, nullptr, 0);
    ASSERT_TRUE(timed && idle);
    EXPECT_NE(SlotOf(timed)->timerId, 0u);
    // Let the first paints of the newly mapped windows pass.
    displaytest::Pump(200);
    uint32_t timedShown = PlatformWindowPresentCount(timed);
    uint32_t idleShown = PlatformWindowPresentCount(idle);
    displaytest::Pump(450);
    uint32_t frames = PlatformWindowPresentCount(timed) - timedShown;
    // A 100 ms window timer: about four frames, never one per global tick.
    EXPECT_TRUE(frames >= 2 && frames <= 6) << frames;
    EXPECT_EQ(PlatformWindowPresentCount(idle), idleShown);
    GRIB_DisplayShutdown();
    displaytest::Pump(50);
    uint32_t after = PlatformWindowPresentCount(timed);
    displaytest::Pump(250);
    EXPECT_EQ(PlatformWindowPresentCount(timed), after);
    PlatformDestroyWindow(timed);
    EXPECT_EQ(GRIB_SurfaceSlotOf(timed), -1);
}

TEST_F(SurfaceTest, AFramePendingIsNotQueuedTwice) {
    HWND w = Make(8, 8, nullptr, 9);
    Drain();
    // The window's own timer ticks, then frames are handed out twice before
    // the first is handled.
    ASSERT_TRUE(displaytest::PumpUntil([&] { return SlotOf(w)->tickPending != 0; }, 20000));
    GRIB_SurfaceTimerProc(nullptr, WM_TIMER, 0, 0);
    EXPECT_EQ(SlotOf(w)->framePending, 1u);
    GRIB_SurfaceTimerProc(w, WM_TIMER, 1, 0);
    GRIB_SurfaceTimerProc(nullptr, WM_TIMER, 0, 0);
    int frames = 0;
    PlatformMessage m{};
    while (PlatformPeekMessage(&m, w, GRIB_FRAME_MESSAGE, GRIB_FRAME_MESSAGE, PM_REMOVE)) ++frames;
    EXPECT_EQ(frames, 1);
}

}  // namespace
