// The window-system layer's contract on Windows, where it is the real API.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

struct Seen {
    LPARAM createParam = 0;
    int paints = 0;
    std::vector<uintptr_t> timers;
};
Seen g_seen;
int g_threadTimerCalls = 0;

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

void CountThreadTimer(HWND, uint32_t, uintptr_t, uint32_t) { ++g_threadTimerCalls; }

// Pumps the queue until done() or ten seconds passed.
template <typename Done>
bool PumpUntil(Done done) {
    uint32_t start = PlatformTickCount();
    PlatformMessage m{};
    while (!done()) {
        if (PlatformTickCount() - start > 10000) return false;
        PlatformWaitMessageTimeout(100);
        while (PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) PlatformDispatchMessage(&m);
    }
    return true;
}

class Layer : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool registered = false;
        if (registered) return;
        PlatformWindowClass wc{0, TestProc, nullptr, 0, IDC_ARROW, PLATFORM_BRUSH_NONE, "LayerTest"};
        ASSERT_EQ(PlatformRegisterClass(&wc), 1);
        EXPECT_EQ(PlatformRegisterClass(&wc), 0) << "a taken name";
        registered = true;
    }
    void SetUp() override {
        g_seen = Seen{};
        window_ = PlatformCreateWindow(0, "LayerTest", "layer", WS_POPUP, 10, 10, 32, 16, nullptr, 0, nullptr,
                                       reinterpret_cast<void*>(LPARAM{42}));
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        PlatformDestroyWindow(window_);
        PlatformMessage m{};
        while (PlatformPeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    HWND window_ = nullptr;
};

TEST_F(Layer, CreateSeesTheParameterAndMinusOneRefuses) {
    EXPECT_EQ(g_seen.createParam, 42);
    EXPECT_EQ(PlatformCreateWindow(0, "LayerTest", "", WS_POPUP, 0, 0, 8, 8, nullptr, 0, nullptr,
                                   reinterpret_cast<void*>(LPARAM{13})),
              nullptr);
    EXPECT_EQ(PlatformCreateWindow(0, "NoSuchClass", "", WS_POPUP, 0, 0, 8, 8, nullptr, 0, nullptr, nullptr),
              nullptr);
}

TEST_F(Layer, PostedThenQuitThenOnePaint) {
    PlatformShowWindow(window_, SW_SHOW);
    PlatformUpdateWindow(window_);
    ASSERT_EQ(PlatformPostMessage(window_, WM_USER + 1, 1, 0), 1);
    ASSERT_EQ(PlatformPostMessage(nullptr, WM_USER + 2, 2, 0), 1);
    ASSERT_EQ(PlatformPostThreadMessage(PlatformCurrentThreadId(), WM_USER + 3, 3, 0), 1);
    g_seen.paints = 0;
    PlatformInvalidate(window_);
    PlatformInvalidate(window_);
    PlatformPostQuitMessage(7);
    std::vector<uint32_t> order;
    PlatformMessage m{};
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

TEST_F(Layer, WaitMessageTimeoutSeesQueuedMessages) {
    EXPECT_EQ(PlatformWaitMessageTimeout(20), 0);
    PlatformPostMessage(window_, WM_USER, 0, 0);
    PlatformMessage m{};
    ASSERT_EQ(PlatformPeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE), 1);
    EXPECT_EQ(PlatformWaitMessageTimeout(10000), 1) << "a message seen but left is still there";
}

TEST_F(Layer, WindowAndThreadTimers) {
    ASSERT_NE(PlatformSetTimer(window_, 5, 10, nullptr), 0u);
    g_threadTimerCalls = 0;
    uintptr_t id = PlatformSetTimer(nullptr, 0, 10, CountThreadTimer);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(PumpUntil([] { return g_seen.timers.size() >= 2 && g_threadTimerCalls >= 2; }));
    EXPECT_EQ(g_seen.timers[0], 5u);
    EXPECT_EQ(PlatformKillTimer(window_, 5), 1);
    EXPECT_EQ(PlatformKillTimer(nullptr, id), 1);
    EXPECT_EQ(PlatformKillTimer(window_, 5), 0);
}

struct DibCase {
    const char* name;
    int height;  // < 0: rows top-down
};
class Present : public Layer, public testing::WithParamInterface<DibCase> {};

TEST_P(Present, DibThroughPaletteReachesTheWindow) {
    const int w = 32, h = 16;
    PlatformShowWindow(window_, SW_SHOW);
    PlatformRgbQuad colours[256]{};
    PlatformPaletteEntry entries[256]{};
    for (int i = 0; i < 256; ++i) {
        colours[i] = PlatformRgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
        entries[i] = PlatformPaletteEntry{colours[i].red, colours[i].green, colours[i].blue, 0};
    }
    PlatformDC* dc = PlatformGetDC(window_);
    ASSERT_NE(dc, nullptr);
    PlatformPalette* palette = PlatformCreatePalette(entries, 256);
    ASSERT_NE(palette, nullptr);
    PlatformSelectPalette(dc, palette, 0);
    PlatformRealizePalette(dc);
    PlatformDC* memory = PlatformCreateCompatibleDC(dc);
    uint8_t* bits = nullptr;
    PlatformDib* dib = PlatformCreateDIBSection(dc, w, GetParam().height, colours, &bits);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    uint8_t* none = nullptr;
    EXPECT_EQ(PlatformCreateDIBSection(dc, 0, 4, colours, &none), nullptr);
    for (int i = 0; i < w * h; ++i) bits[i] = uint8_t(i * 5);
    PlatformDib* old = PlatformSelectDib(memory, dib);
    EXPECT_EQ(PlatformWindowPresentCount(window_), 0u);
    ASSERT_EQ(PlatformBitBlt(dc, 0, 0, w, h, memory, 0, 0), 1);
    EXPECT_EQ(PlatformWindowPresentCount(window_), 1u);

    std::vector<uint8_t> shown(w * h * 3), captured(w * h * 3);
    int sw = 0, sh = 0;
    ASSERT_EQ(PlatformReadWindowPixels(window_, &sw, &sh, shown.data(), shown.size()), 1);
    ASSERT_EQ(sw, w);
    ASSERT_EQ(sh, h);
    ASSERT_EQ(PlatformCaptureWindow(window_, &sw, &sh, captured.data(), captured.size()), 1);
    for (int row = 0; row < h; ++row) {
        int stored = GetParam().height < 0 ? row : h - 1 - row;
        for (int col = 0; col < w; ++col) {
            const PlatformRgbQuad& q = colours[bits[stored * w + col]];
            const uint8_t* p = &shown[(row * w + col) * 3];
            ASSERT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{q.red, q.green, q.blue}))
                << row << "," << col;
            ASSERT_EQ(std::memcmp(p, &captured[(row * w + col) * 3], 3), 0) << "on screen " << row << "," << col;
        }
    }
    PlatformSelectDib(memory, old);
    EXPECT_EQ(PlatformDeleteDib(dib), 1);
    EXPECT_EQ(PlatformDeleteDC(memory), 1);
    EXPECT_EQ(PlatformReleaseDC(window_, dc), 1);
    EXPECT_EQ(PlatformDeletePalette(palette), 1);
}
INSTANTIATE_TEST_SUITE_P(Rows, Present, testing::Values(DibCase{"TopDown", -16}, DibCase{"BottomUp", 16}),
                         [](const auto& info) { return std::string(info.param.name); });

// A mono 8-bit .wav image of the given number of samples at 8000 Hz.
std::vector<uint8_t> Wav(uint32_t samples, uint32_t claimedData) {
    std::vector<uint8_t> image(44 + samples, 0x80);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) image[at + i] = uint8_t(v >> (8 * i));
    };
    std::memcpy(&image[0], "RIFF", 4);
    put32(4, uint32_t(image.size() - 8));
    std::memcpy(&image[8], "WAVEfmt ", 8);
    put32(16, 16);
    const uint8_t format[16] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0};
    std::memcpy(&image[20], format, 16);
    std::memcpy(&image[36], "data", 4);
    put32(40, claimedData);
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
    if (played) {
        EXPECT_EQ(PlatformPlaySound(nullptr, 0, 0), 1) << "stopping";
    }
}

int Handler(uint32_t) { return 1; }

TEST(System, CtrlHandlerSetAndCleared) {
    EXPECT_EQ(PlatformSetCtrlHandler(Handler), 1);
    EXPECT_EQ(PlatformSetCtrlHandler(Handler), 1);
    EXPECT_EQ(PlatformSetCtrlHandler(nullptr), 1);
    EXPECT_EQ(CTRL_CLOSE_EVENT, 2u);
}

}  // namespace
