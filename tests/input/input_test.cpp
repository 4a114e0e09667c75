// The input rings, key translation, the library's window procedure, the
// cursor lock and thread, and the software cursor.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "grib/env/env.h"
#include "grib/input/input.h"
#include "platform/platform.h"
#include "tests/platform/display_env.h"

namespace {

class InputTest : public testing::Test {
protected:
    void SetUp() override {
        GribPlatformHooks hooks{};
        hooks.inputStart = GRIB_InputStart;
        GRIB_SetPlatformHooks(&hooks);
        ASSERT_EQ(GRIB_Startup(30, nullptr, 0), 1);
        env_ = GRIB_GetEnvironment();
    }
    void TearDown() override { GRIB_SetPlatformHooks(nullptr); }
    uint32_t Queued() const { return uint32_t(Keys().size()); }
    uint32_t MouseQueued() const {
        return (env_->mouseHead + env_->mouseCapacity - env_->mouseTail) % env_->mouseCapacity;
    }
    // The key codes queued, oldest first.
    std::vector<uint32_t> Keys() const {
        std::vector<uint32_t> keys;
        for (uint32_t i = env_->typeaheadTail; i != env_->typeaheadHead; i = (i + 1) % env_->typeaheadCapacity)
            keys.push_back(env_->typeahead[i]);
        return keys;
    }
    GribEnvironment* env_ = nullptr;
};

TEST_F(InputTest, TheTypeaheadHoldsOneKeyLessThanItsSizeAndNoTilde) {
    for (uint32_t i = 0; i < 30; ++i) GRIB_PushKey(i == 3 ? '~' : 300 + i);
    EXPECT_EQ((std::vector<uint32_t>{Queued(), Keys()[0], Keys()[3]}), (std::vector<uint32_t>{29, 300, 304}));
    GRIB_ResetTypeahead();
    EXPECT_EQ(Queued(), 0u);
    // Sizes above 30 are clamped, with a debug message while debugging.
    for (auto [size, debug, capacity, said] : {std::tuple{50u, true, 30u, "Typeahead buffer set to maximum!\n"},
                                                {31u, false, 30u, ""}, {4u, false, 4u, ""}, {0u, false, 1u, ""}}) {
        if (!debug) env_->flags &= static_cast<uint16_t>(~GRIB_FLAG_DEBUG);
        testing::internal::CaptureStderr();
        GRIB_SetTypeahead(size);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), said);
        EXPECT_EQ(env_->typeaheadCapacity, capacity);
        for (int i = 0; i < 6; ++i) GRIB_PushKey('k');
        EXPECT_EQ(Queued(), std::min(capacity - 1, 6u)) << size;
        GRIB_ResetTypeahead();
    }
}

TEST_F(InputTest, NamedKeysTranslateWhateverTheModifiersAndAltMakesCharacters) {
    const struct {
        int key, alt;
        std::vector<uint32_t> queued;
    } cases[] = {{VK_F1 + 4, 0, {135}}, {VK_LEFT, 0, {149}}, {VK_PAUSE, 1, {153}}, {VK_F12, 0, {142}}, {VK_INSERT, 0, {143}},
                 {VK_DELETE, 0, {144}}, {VK_HOME, 0, {145}}, {VK_END, 0, {146}}, {VK_PRIOR, 0, {147}}, {VK_NEXT, 0, {148}},
                 {VK_DOWN, 0, {152}}, {'7', 1, {55}}, {'K', 1, {'k'}}, {186, 1, {';'}}, {192, 1, {'`'}}, {220, 1, {'\\'}},
                 {222, 1, {'\''}}, {0x20, 1, {}}, {'K', 0, {}}, {'7', 0, {}}};
    for (const auto& c : cases) {
        GRIB_ResetTypeahead();
        GRIB_TranslateKey(c.key, c.alt);
        EXPECT_EQ(Keys(), c.queued) << c.key << " alt " << c.alt;
    }
}

TEST_F(InputTest, ControlCombinationsUseTheLiveControlKeyAndPauseIsNeverPolled) {
    EXPECT_EQ(GRIB_KeyDown(GRIB_KEY_PAUSE) + GRIB_KeyDown(0) + GRIB_KeyDown('A'), 0);
    REQUIRE_XDOTOOL();
    auto waitKey = [](int key, int state) {
        for (int i = 0; i < 2000 && GRIB_KeyDown(key) != state; ++i) PlatformSleep(10);
        return GRIB_KeyDown(key) == state;
    };
    ASSERT_TRUE(displaytest::Xdotool({"keydown", "Control_L", "keydown", "Pause"}));
    ASSERT_TRUE(waitKey(GRIB_KEY_CONTROL, 1));
    for (int key : {int('K'), int('7'), VK_LEFT, 189}) GRIB_TranslateKey(key, 0);
    EXPECT_EQ(GRIB_KeyDown(GRIB_KEY_PAUSE), 0);
    ASSERT_TRUE(displaytest::Xdotool({"keyup", "Control_L", "keyup", "Pause", "keydown", "Left"}));
    EXPECT_EQ(Keys(), (std::vector<uint32_t>{210, 233, 149, '-'}));
    EXPECT_TRUE(waitKey(GRIB_KEY_LEFT, 1));
    ASSERT_TRUE(displaytest::Xdotool({"keyup", "Left"}));
    EXPECT_TRUE(waitKey(GRIB_KEY_CONTROL, 0));
}

TEST_F(InputTest, TheWindowProcedureFillsTheRings) {
    for (auto [message, key] : {std::pair{WM_KEYDOWN, WPARAM(VK_F1)}, {WM_CHAR, 'q'}, {WM_CHAR, '~'}})
        GRIB_WindowProc(nullptr, message, key, 0);
    EXPECT_EQ(Keys(), (std::vector<uint32_t>{131, 'q'}));
    auto fields = [](const GribMouseRecord& r) {
        return std::vector<uint32_t>{r.x, r.y, r.buttons, r.message, r.doubleClick};
    };
    GRIB_WindowProc(nullptr, WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(12, 34));
    GribMouseRecord state{};
    GRIB_GetMouseState(&state);
    EXPECT_EQ(fields(state), (std::vector<uint32_t>{12, 34, MK_SHIFT, WM_MOUSEMOVE, 0}));
    EXPECT_EQ(MouseQueued(), 0u);
    GRIB_WindowProc(nullptr, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4));
    ASSERT_EQ(MouseQueued(), 1u);
    EXPECT_EQ(fields(env_->mouseEvents[env_->mouseTail]), (std::vector<uint32_t>{3, 4, MK_LBUTTON, 515, 1}));
    GRIB_GetMouseState(&state);
    EXPECT_EQ(state.message, 515u);
    GRIB_ResetMouseEvents();
    for (int i = 0; i < 20; ++i) GRIB_WindowProc(nullptr, i % 2 ? WM_LBUTTONUP : WM_LBUTTONDOWN, 0, MAKELPARAM(i, 0));
    EXPECT_EQ((std::vector<uint32_t>{MouseQueued(), env_->mouseEvents[(env_->mouseHead + 19) % 20].x,
                                     env_->mouseEvents[env_->mouseTail].doubleClick}),
              (std::vector<uint32_t>{19, 18, 0}));
}

TEST_F(InputTest, TheWindowProcedureHandlesActivationPalettesAndDestruction) {
    for (auto [wParam, active] : {std::pair{WPARAM(WA_ACTIVE), 1u}, {MAKEWPARAM(WA_INACTIVE, 1), 0u}}) {
        GRIB_WindowProc(nullptr, WM_ACTIVATE, wParam, 0);
        EXPECT_EQ(env_->active, active);
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(GRIB_WindowProc(nullptr, WM_QUERYNEWPALETTE, 0, 0), 0);
    EXPECT_EQ(GRIB_WindowProc(nullptr, WM_PALETTECHANGED, 0, 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WM_QUERYNEWPALETTE\nWM_PALETTECHANGED\n");
    GRIB_WindowProc(nullptr, WM_DESTROY, 0, 0);
    PlatformMessage m{};
    ASSERT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE), 1);
    EXPECT_EQ((std::vector<WPARAM>{m.message, m.wParam}), (std::vector<WPARAM>{WM_QUIT, 0}));
}

TEST_F(InputTest, TheLibrarysWindowClassDeliversInputToTheRings) {
    REQUIRE_XDOTOOL();
    ASSERT_EQ(GRIB_RegisterWindowClass(nullptr), 1);
    ASSERT_EQ(GRIB_RegisterWindowClass(nullptr), 1);
    HWND window = PlatformCreateWindow(0, "GRIB Window", "GRIB", WS_CAPTION | WS_VISIBLE, 100, 100, 200, 150,
                                       nullptr, 0, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    displaytest::Pump(200);
    GRIB_ResetMouseEvents();
    ASSERT_TRUE(displaytest::Xdotool({"mousemove", "150", "150", "click", "--repeat", "2", "--delay", "60", "1"}));
    ASSERT_TRUE(displaytest::PumpUntil([&] { return MouseQueued() >= 4; }));
    std::vector<uint32_t> messages;
    for (uint32_t i = env_->mouseTail; i != env_->mouseHead; i = (i + 1) % env_->mouseCapacity)
        messages.push_back(env_->mouseEvents[i].message);
    EXPECT_EQ(messages, (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    EXPECT_EQ(env_->mouseEvents[env_->mouseTail].x, 50u);
    GRIB_ResetTypeahead();
    ASSERT_TRUE(displaytest::Xdotool({"key", "b", "F2"}));
    ASSERT_TRUE(displaytest::PumpUntil([&] { return Queued() >= 2; }));
    EXPECT_EQ(Keys(), (std::vector<uint32_t>{'b', 132}));
    PlatformDestroyWindow(window);
    displaytest::Pump(20);
}

TEST_F(InputTest, TheCursorLockNestsForItsOwnerAndBlocksOthers) {
    ASSERT_EQ(GRIB_AcquireCursorLock(GRIB_CURSOR_LOCK_TAG), 1);
    EXPECT_EQ(GRIB_AcquireCursorLock(GRIB_CURSOR_LOCK_TAG), 0);
    std::atomic<bool> got{false};
    std::thread other([&] {
        int mine = GRIB_AcquireCursorLock(0x1234);
        got = true;
        if (mine) GRIB_ReleaseCursorLock();
    });
    PlatformSleep(50);
    EXPECT_FALSE(got);
    GRIB_ReleaseCursorLock();
    other.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(GRIB_AcquireCursorLock(7), 1);
    GRIB_ReleaseCursorLock();
}

TEST_F(InputTest, TheCursorThreadRunsUntilAskedToStop) {
    ASSERT_EQ(GRIB_StartCursorThread(env_), 1);
    PlatformSleep(80);
    __atomic_store_n(&env_->cursorStop, 1u, __ATOMIC_RELEASE);
    for (int i = 0; i < 2000 && __atomic_load_n(&env_->cursorStop, __ATOMIC_ACQUIRE); ++i) PlatformSleep(5);
    EXPECT_EQ(__atomic_load_n(&env_->cursorStop, __ATOMIC_ACQUIRE), 0u);
    EXPECT_EQ(GRIB_StartThread(nullptr, 0, nullptr), 0);
}

TEST_F(InputTest, TheCursorIsDrawnWithItsBackgroundRestored) {
    GribBitmap* screen = GRIB_CreateBitmap("screen", 1100, 800);
    ASSERT_NE(screen, nullptr);
    GRIB_ClearBitmap(screen, 3);
    env_->currentSurface = screen;
    env_->surfacePresent = 1;
    uint8_t pixels[4] = {9, 9, 0, 9};
    GribImage cursor{2, 2, 0, 0, 0, 0, 0, 0, 0, pixels, nullptr, sizeof pixels};
    env_->cursorImage = &cursor;
    env_->cursorDrawing = 0;
    GRIB_DrawCursor(env_);
    EXPECT_EQ(screen->pixels[0], 3);
    env_->cursorDrawing = 1;
    env_->cursorPrevX = env_->cursorPrevY = 0;
    GRIB_DrawCursor(env_);
    int px = static_cast<int>(env_->mouse.x), py = static_cast<int>(env_->mouse.y);
    auto at = [&](int x, int y) { return screen->pixels[static_cast<size_t>(y) * screen->pitch + static_cast<size_t>(x)]; };
    EXPECT_EQ((std::vector<int>{env_->cursorPrevX, env_->cursorPrevY}), (std::vector<int>{px, py}));
    // Index 0 is transparent.
    EXPECT_EQ((std::vector<int>{at(px, py), at(px + 1, py), at(px, py + 1), at(px + 1, py + 1)}),
              (std::vector<int>{9, 9, 3, 9}));
    if (displaytest::HaveDisplay() && displaytest::HaveXdotool()) {
        ASSERT_TRUE(displaytest::Xdotool({"mousemove", "300", "200"}));
        int x = 0, y = 0;
        for (int i = 0; i < 2000 && (PlatformCursorPos(&x, &y), x != 300 || y != 200); ++i) PlatformSleep(10);
        GRIB_DrawCursor(env_);
        EXPECT_EQ(at(300, 200), 9);
        EXPECT_TRUE((px == 300 && py == 200) || at(px, py) + at(px + 1, py + 1) == 6);
    }
    env_->cursorImage = nullptr;
    env_->surfacePresent = 0;
    env_->currentSurface = nullptr;
    GRIB_FreeBitmap(screen);
}

}  // namespace
