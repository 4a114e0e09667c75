// Threads, events, the clock, the shell opener, sound, bitmaps and the
// presentation of DIB sections.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "kit/sound/wav_writer.h"
#include "platform/platform.h"
#include "tests/platform/display_env.h"
#include "tests/support/support.h"

namespace {

std::atomic<int> g_ran;
void Runner(void* argument) {
    char big[64 * 1024];  // needs more than a tiny stack
    big[0] = static_cast<char>(*static_cast<int*>(argument));
    big[sizeof big - 1] = big[0];
    g_ran = big[sizeof big - 1];
}

TEST(SystemTest, ThreadsStartAndEventsWakeTheirWaiters) {
    g_ran = 0;
    int value = 42;
    ASSERT_EQ(PlatformStartThread(Runner, 131072, &value), 1);
    for (int i = 0; i < 2000 && g_ran == 0; ++i) PlatformSleep(5);
    EXPECT_EQ(g_ran.load(), 42);
    EXPECT_EQ(PlatformStartThread(nullptr, 0, nullptr), 0);
    // An auto-reset event wakes one waiter and resets itself.
    PlatformEvent* event = PlatformCreateEvent(0, 0);
    const uint32_t start = PlatformTickCount();
    EXPECT_EQ(PlatformWaitEvent(event, 10), 0);
    EXPECT_GE(PlatformTickCount() - start, 10u);
    PlatformSetEvent(event);
    EXPECT_EQ((std::vector<int>{PlatformWaitEvent(event, 10), PlatformWaitEvent(event, 10)}), (std::vector<int>{1, 0}));
    std::atomic<int> woken{0};
    std::thread a([&] { woken += PlatformWaitEvent(event, 500); });
    std::thread b([&] { woken += PlatformWaitEvent(event, 500); });
    PlatformSleep(30);
    PlatformSetEvent(event);
    for (std::thread* t : {&a, &b}) t->join();
    EXPECT_EQ(woken.load(), 1);
    PlatformSetEvent(event);
    PlatformResetEvent(event);
    EXPECT_EQ(PlatformWaitEvent(event, 10), 0);
    PlatformCloseEvent(event);
    PlatformEvent* manual = PlatformCreateEvent(1, 1);
    EXPECT_EQ(PlatformWaitEvent(manual, 0) + PlatformWaitEvent(manual, 0), 2);
    PlatformCloseEvent(manual);
}

TEST(SystemTest, TheShellOpensWebAddressesWithTheirScheme) {
    testsupport::TempDir dir;
    std::filesystem::path log = dir.path() / "opened";
    std::filesystem::path opener = dir.write("opener.sh", "#!/bin/sh\necho \"$1\" >> " + log.string() + "\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    setenv("SHOWCASE_OPENER", opener.c_str(), 1);
    for (auto [address, logged] : {std::pair{"www.example.org", 23u}, {"https://example.org/x", 45u}}) {
        EXPECT_EQ(PlatformShellOpen(address), 1);
        for (int i = 0; i < 400 && testsupport::ReadText(log).size() < logged; ++i) PlatformSleep(5);
    }
    EXPECT_EQ(testsupport::ReadText(log), "http://www.example.org\nhttps://example.org/x\n");
    EXPECT_EQ(PlatformShellOpen(""), 0);
    setenv("SHOWCASE_OPENER", (dir.str() + "/missing").c_str(), 1);
    EXPECT_EQ(PlatformShellOpen("www.example.org"), 0);
    unsetenv("SHOWCASE_OPENER");
    EXPECT_STREQ(PlatformShellOpenerCommand(), "xdg-open");
}

// A square wave.
std::vector<uint8_t> Wave(uint32_t samples) {
    std::vector<uint8_t> s(samples);
    for (uint32_t i = 0; i < samples; ++i) s[i] = uint8_t((i / 10) % 2 ? 168 : 88);
    return KitWriteWav(s);
}

TEST(SystemTest, SoundPlaysFromMemoryIsReplacedAndStops) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<uint8_t> longSound = Wave(11025 * 2), shortSound = Wave(2205);
    if (!PlatformPlaySound(longSound.data(), longSound.size(), SND_MEMORY | SND_ASYNC))
        GTEST_SKIP() << "no audio driver";
    EXPECT_EQ(PlatformSoundPlaying(), 1);
    // A new sound replaces the one that plays; size 0 reads the RIFF length.
    EXPECT_EQ(PlatformPlaySound(shortSound.data(), 0, SND_MEMORY | SND_ASYNC), 1);
    for (int i = 0; i < 1500 && PlatformSoundPlaying(); ++i) PlatformSleep(10);
    EXPECT_EQ(PlatformSoundPlaying(), 0) << "the short sound should have ended";
    EXPECT_EQ(PlatformPlaySound(longSound.data(), longSound.size(), SND_MEMORY | SND_ASYNC), 1);
    EXPECT_EQ(PlatformPlaySound(nullptr, 0, SND_NOWAIT), 1);
    EXPECT_EQ(PlatformSoundPlaying(), 0);
    // A damaged image plays nothing and stops nothing.
    std::vector<uint8_t> wrongForm = longSound, cut(longSound.begin(), longSound.begin() + 30);
    std::memcpy(wrongForm.data() + 8, "WAVX", 4);
    EXPECT_EQ(PlatformPlaySound(wrongForm.data(), wrongForm.size(), SND_MEMORY | SND_ASYNC), 0);
    EXPECT_EQ(PlatformPlaySound(cut.data(), cut.size(), SND_MEMORY | SND_ASYNC), 0);
    const uint8_t absurd[8] = {'R', 'I', 'F', 'F', 0xF8, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(PlatformPlaySound(absurd, 0, SND_MEMORY), 0);
}

TEST(SystemTest, BitmapFilesLoadAndRejectDamage) {
    // 16 x 10, 4 bits: a black first pixel on light grey (colours 0 and 1).
    std::vector<uint8_t> file(54 + 8 + 8 * 10, 0x11);
    std::fill(file.begin(), file.begin() + 62, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    for (auto [at, v] : {std::pair{2u, uint32_t(file.size())}, {10u, 62u}, {14u, 40u}, {18u, 16u}, {22u, 10u},
                         {26u, 1u}, {28u, 4u}, {46u, 2u}, {58u, 0xC0C0C0u}})
        put32(at, v);
    std::copy_n("BM", 2, file.begin());
    file[62 + 9 * 8] = 0x01;  // bottom-up: the last row is the top one
    for (int map3D : {0, 1}) {
        PlatformBitmap* bitmap = PlatformLoadBitmap(file.data(), file.size(), map3D);
        EXPECT_NE(bitmap, nullptr);
        PlatformDeleteBitmap(bitmap);
    }
    for (size_t cut : {size_t{0}, size_t{20}, size_t{60}, file.size() - 1})
        EXPECT_EQ(PlatformLoadBitmap(file.data(), cut, 0), nullptr) << cut;
    for (auto [at, v] : {std::pair{30, 2}, {21, 0x7F}}) {  // compressed; absurdly wide
        std::vector<uint8_t> damaged = file;
        damaged[at] = uint8_t(v);
        EXPECT_EQ(PlatformLoadBitmap(damaged.data(), damaged.size(), 0), nullptr) << at;
    }
    EXPECT_EQ(PlatformCreateBitmap(0, 10, file.data()), nullptr);
}

LRESULT PlainProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    return PlatformDefWindowProc(window, message, wParam, lParam);
}

TEST(SystemTest, ABlockCopyShowsTheDibThroughItsColourTable) {
    REQUIRE_DISPLAY();
    PlatformWindowClass wc{0, PlainProc, nullptr, 0, IDC_ARROW, PLATFORM_BRUSH_NONE, "BlitTarget"};
    ASSERT_EQ(PlatformRegisterClass(&wc), 1);
    EXPECT_EQ(PlatformRegisterClass(&wc), 0);
    HWND window = PlatformCreateWindow(0, "BlitTarget", "blit", WS_CAPTION | WS_VISIBLE, 0, 0, 10, 4, nullptr, 0,
                                       nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PlatformDC* dc = PlatformGetDC(window);
    PlatformDC* memory = PlatformCreateCompatibleDC(dc);
    PlatformRgbQuad colours[256]{};
    colours[2] = PlatformRgbQuad{30, 20, 10, 0};
    uint8_t* bits = nullptr;
    for (int width : {0, 100000}) EXPECT_EQ(PlatformCreateDIBSection(memory, width, 4, colours, &bits), nullptr);
    PlatformDib* dib = PlatformCreateDIBSection(memory, 10, -4, colours, &bits);
    ASSERT_NE(dib, nullptr);
    std::memset(bits, 0, 12 * 4);
    bits[12 * 3 + 9] = 2;  // last row, last column; the row stride is 12
    PlatformSelectDib(memory, dib);
    EXPECT_EQ(PlatformBitBlt(dc, 0, 0, 10, 4, memory, 0, 0), 1);
    int w = 0, h = 0;
    uint8_t rgb[10 * 4 * 3];
    ASSERT_EQ(PlatformReadWindowPixels(window, &w, &h, rgb, sizeof rgb), 1);
    const uint8_t* last = rgb + (3 * 10 + 9) * 3;
    EXPECT_EQ((std::vector<int>{w, h, last[0], last[1], last[2], rgb[0]}), (std::vector<int>{10, 4, 10, 20, 30, 0}));
    EXPECT_EQ(PlatformWindowPresentCount(window), 1u);
    // WM_SETICON hands back the icon set before.
    std::vector<uint8_t> rgba(32 * 32 * 4, 200);
    PlatformIcon* icon = PlatformCreateIcon(32, 32, rgba.data());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PlatformCreateIcon(0, 32, rgba.data()), nullptr);
    EXPECT_EQ(PlatformSendMessage(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(PlatformSendMessage(window, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    PlatformDestroyIcon(icon);
    PlatformDeleteDib(dib);
    PlatformDeleteDC(memory);
    PlatformReleaseDC(window, dc);
    PlatformDestroyWindow(window);
    EXPECT_EQ(PlatformUnregisterClass("BlitTarget"), 1);
}

}  // namespace
