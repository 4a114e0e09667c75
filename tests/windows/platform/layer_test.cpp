// The window-system layer's contract on Windows, where it is the real API.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"

namespace {

struct Seen {
    LPARAM createParam = 0;
    int paints = 0;
    std::vector<uintptr_t> timers;
    int threadTimers = 0;
};
Seen g_seen;

LRESULT TestProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            g_seen.createParam = lParam;
            return lParam == 13 ? -1 : 0;
        case WM_PAINT: {
            PlatformPaint paint{};
            if (PlatformBeginPaint(window, &paint)) ++g_seen.paints;
            PlatformEndPaint(window, &paint);
            return 0;
        }
        case WM_TIMER:
            g_seen.timers.push_back(wParam);
            return 0;
    }
    return PlatformDefWindowProc(window, message, wParam, lParam);
}

void CountThreadTimer(HWND, uint32_t, uintptr_t, uint32_t) { ++g_seen.threadTimers; }

HWND Make(const char* className, LPARAM param) {
    return PlatformCreateWindow(0, className, "layer", WS_POPUP, 10, 10, 32, 16, nullptr, 0, nullptr,
                                reinterpret_cast<void*>(param));
}

// Pumps the queue until done() or ten seconds passed.
template <typename Done>
bool PumpUntil(Done done) {
    PlatformMessage m{};
    for (uint32_t start = PlatformTickCount(); !done(); PlatformWaitMessageTimeout(100)) {
        if (PlatformTickCount() - start > 10000) return false;
        while (PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) PlatformDispatchMessage(&m);
    }
    return true;
}

class Layer : public testing::Test {
protected:
    void SetUp() override {
        static const int registered = [] {
            PlatformWindowClass wc{0, TestProc, nullptr, 0, IDC_ARROW, PLATFORM_BRUSH_NONE, "LayerTest"};
            return PlatformRegisterClass(&wc) * 2 + PlatformRegisterClass(&wc);  // the second: a taken name
        }();
        ASSERT_EQ(registered, 2);
        g_seen = Seen{};
        ASSERT_NE(window_ = Make("LayerTest", 42), nullptr);
    }
    void TearDown() override {
        PlatformDestroyWindow(window_);
        PumpUntil([] { return !PlatformPeekMessage(nullptr, nullptr, 0, 0, PM_NOREMOVE); });
    }
    HWND window_ = nullptr;
};

TEST_F(Layer, CreateSeesTheParameterAndMinusOneRefuses) {
    EXPECT_EQ(g_seen.createParam, 42);
    EXPECT_EQ(Make("LayerTest", 13), nullptr);
    EXPECT_EQ(Make("NoSuchClass", 0), nullptr);
}

TEST_F(Layer, PostedThenQuitThenOnePaint) {
    PlatformShowWindow(window_, SW_SHOW);
    PlatformUpdateWindow(window_);
    EXPECT_EQ(PlatformWaitMessageTimeout(20), 0);
    ASSERT_EQ(PlatformPostMessage(window_, WM_USER + 1, 1, 0), 1);
    PlatformMessage m{};
    ASSERT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE), 1);
    EXPECT_EQ(PlatformWaitMessageTimeout(10000), 1) << "a message seen but left is still there";
    ASSERT_EQ(PlatformPostMessage(nullptr, WM_USER + 2, 2, 0), 1);
    ASSERT_EQ(PlatformPostThreadMessage(PlatformCurrentThreadId(), WM_USER + 3, 3, 0), 1);
    g_seen.paints = 0;
    PlatformInvalidate(window_);
    PlatformInvalidate(window_);
    PlatformPostQuitMessage(7);
    std::vector<uint32_t> order;
    for (int got = 1; got;) {
        got = PlatformGetMessage(&m, nullptr, 0, 0);
        if (m.message >= WM_USER || m.message == WM_QUIT) order.push_back(m.message);
        if (got) PlatformDispatchMessage(&m);
    }
    EXPECT_EQ(order, (std::vector<uint32_t>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_QUIT}));
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(g_seen.paints, 0) << "paints wait for the quit message";
    ASSERT_TRUE(PumpUntil([] { return g_seen.paints > 0; }));
    EXPECT_EQ(PlatformPeekMessage(&m, window_, WM_PAINT, WM_PAINT, PM_NOREMOVE), 0);
    EXPECT_EQ(g_seen.paints, 1);
}

TEST_F(Layer, WindowAndThreadTimers) {
    ASSERT_NE(PlatformSetTimer(window_, 5, 10, nullptr), 0u);
    uintptr_t id = PlatformSetTimer(nullptr, 0, 10, CountThreadTimer);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(PumpUntil([] { return g_seen.timers.size() >= 2 && g_seen.threadTimers >= 2; }));
    EXPECT_EQ(g_seen.timers[0], 5u);
    EXPECT_EQ(PlatformKillTimer(window_, 5), 1);
    EXPECT_EQ(PlatformKillTimer(nullptr, id), 1);
    EXPECT_EQ(PlatformKillTimer(window_, 5), 0);
}

struct KeyCase {
    WPARAM key;
    uint32_t message, character;
};
class Keys : public Layer, public testing::WithParamInterface<KeyCase> {};

TEST_P(Keys, KeyDownCarriesTheCharacterTranslateMakes) {
    const KeyCase& c = GetParam();
    PlatformPostMessage(window_, c.message, c.key, 1);
    PlatformMessage m{};
    ASSERT_EQ(PlatformGetMessage(&m, window_, 0, 0), 1);
    EXPECT_EQ((std::pair{m.message, m.character}), (std::pair{c.message, c.character}));
    ASSERT_EQ(PlatformTranslateMessage(&m), c.character ? 1 : 0);
    if (!c.character) return;
    ASSERT_EQ(PlatformPeekMessage(&m, window_, 0, 0, PM_REMOVE), 1);
    uint32_t made = c.message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    EXPECT_EQ((std::pair{m.message, m.wParam}), (std::pair{made, WPARAM{c.character}}));
}
INSTANTIATE_TEST_SUITE_P(Table, Keys,
                         testing::Values(KeyCase{'A', WM_KEYDOWN, 'a'}, KeyCase{'7', WM_KEYDOWN, '7'},
                                         KeyCase{VK_LEFT, WM_KEYDOWN, 0}, KeyCase{'B', WM_SYSKEYDOWN, 'b'},
                                         KeyCase{'C', WM_KEYUP, 0}));

class Present : public Layer, public testing::WithParamInterface<int> {};  // the DIB's height

TEST_P(Present, DibThroughPaletteReachesTheWindow) {
    const int w = 32, h = 16;
    PlatformShowWindow(window_, SW_SHOW);
    PlatformRgbQuad colours[256]{};  // blue, green, red
    PlatformPaletteEntry entries[256]{};  // red, green, blue
    for (int i = 0; i < 256; ++i) colours[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    for (int i = 0; i < 256; ++i) entries[i] = {colours[i].red, colours[i].green, colours[i].blue, 0};
    PlatformDC* dc = PlatformGetDC(window_);
    PlatformPalette* palette = PlatformCreatePalette(entries, 256);
    ASSERT_TRUE(dc && palette);
    PlatformSelectPalette(dc, palette, 0);
    PlatformRealizePalette(dc);
    PlatformDC* memory = PlatformCreateCompatibleDC(dc);
    uint8_t* bits = nullptr;
    PlatformDib* dib = PlatformCreateDIBSection(dc, w, GetParam(), colours, &bits);
    ASSERT_TRUE(dib && bits);
    EXPECT_EQ(PlatformCreateDIBSection(dc, 0, 4, colours, nullptr), nullptr);
    for (int i = 0; i < w * h; ++i) bits[i] = uint8_t(i * 5);
    PlatformDib* old = PlatformSelectDib(memory, dib);
    EXPECT_EQ(PlatformWindowPresentCount(window_), 0u);
    ASSERT_EQ(PlatformBitBlt(dc, 0, 0, w, h, memory, 0, 0), 1);
    EXPECT_EQ(PlatformWindowPresentCount(window_), 1u);
    std::vector<uint8_t> shown(w * h * 3), captured(w * h * 3), expected;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const PlatformRgbQuad& q = colours[bits[(GetParam() < 0 ? row : h - 1 - row) * w + col]];
            expected.insert(expected.end(), {q.red, q.green, q.blue});
        }
    }
    int sw = 0, sh = 0;
    ASSERT_EQ(PlatformReadWindowPixels(window_, &sw, &sh, shown.data(), shown.size()), 1);
    ASSERT_EQ((std::pair{sw, sh}), (std::pair{w, h}));
    EXPECT_TRUE(shown == expected);
    ASSERT_EQ(PlatformCaptureWindow(window_, &sw, &sh, captured.data(), captured.size()), 1);
    EXPECT_TRUE(captured == expected) << "on the screen";
    PlatformSelectDib(memory, old);
    EXPECT_TRUE(PlatformDeleteDib(dib) && PlatformDeleteDC(memory) && PlatformReleaseDC(window_, dc) &&
                PlatformDeletePalette(palette));
}
INSTANTIATE_TEST_SUITE_P(Rows, Present, testing::Values(-16, 16),
                         [](const auto& info) { return info.param < 0 ? "TopDown" : "BottomUp"; });

// A mono 8-bit .wav image of the given number of samples at 8000 Hz.
std::vector<uint8_t> Wav(uint32_t samples, uint32_t claimedData) {
    std::vector<uint8_t> image{'R', 'I', 'F', 'F', 0,    0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                               16,  0,   0,   0,   1,    0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0,
                               1,   0,   8,   0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
    image.resize(44 + samples, 0x80);
    for (int i = 0; i < 4; ++i) image[4 + i] = uint8_t((36 + samples) >> (8 * i));
    for (int i = 0; i < 4; ++i) image[40 + i] = uint8_t(claimedData >> (8 * i));
    return image;
}

TEST(Sound, PlaysAMemoryImageOrSaysThereIsNoDevice) {
    std::vector<uint8_t> good = Wav(400, 400), damaged = Wav(400, 4000);
    EXPECT_EQ(PlatformPlaySound(damaged.data(), damaged.size(), SND_MEMORY | SND_ASYNC), 0);
    int played = PlatformPlaySound(good.data(), 0, SND_MEMORY | SND_ASYNC);
    ASSERT_TRUE(played == 0 || played == 1);
    uint32_t start = PlatformTickCount();
    while (PlatformSoundPlaying() && PlatformTickCount() - start < 10000) PlatformWaitMessageTimeout(10);
    EXPECT_EQ(PlatformSoundPlaying(), 0) << "50 ms of sound ends";
    EXPECT_EQ(PlatformPlaySound(nullptr, 0, 0), played) << "stopping (this machine has no sound when 0)";
}

int Handler(uint32_t) { return 1; }

TEST(System, CtrlHandlerSetAndCleared) {
    EXPECT_EQ(PlatformSetCtrlHandler(Handler), 1);
    EXPECT_EQ(PlatformSetCtrlHandler(Handler), 1) << "again";
    EXPECT_EQ(PlatformSetCtrlHandler(nullptr), 1);
}

}  // namespace
