// Threads, events, the clock, the shell opener, sound, bitmaps and the
// presentation of DIB sections.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
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
    EXPECT_EQ(PlatformWaitEvent(event, 10), 1);
    EXPECT_EQ(PlatformWaitEvent(event, 10), 0);
    std::atomic<int> woken{0};
    std::thread a([&] { woken += PlatformWaitEvent(event, 500); });
    std::thread b([&] { woken += PlatformWaitEvent(event, 500); });
    PlatformSleep(30);
    PlatformSetEvent(event);
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 1);
    PlatformSetEvent(event);
    PlatformResetEvent(event);
    EXPECT_EQ(PlatformWaitEvent(event, 10), 0);
    PlatformCloseEvent(event);
    PlatformEvent* manual = PlatformCreateEvent(1, 1);
    EXPECT_EQ(PlatformWaitEvent(manual, 0), 1);
    EXPECT_EQ(PlatformWaitEvent(manual, 0), 1);
    PlatformCloseEvent(manual);
}

TEST(SystemTest, TheShellOpensWebAddressesWithTheirScheme) {
    testsupport::TempDir dir;
    std::filesystem::path log = dir.path() / "opened";
    std::filesystem::path opener = dir.write("opener.sh", "#!/bin/sh\necho \"$1\" >> " + log.string() + "\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    setenv("SHOWCASE_OPENER", opener.c_str(), 1);
    EXPECT_EQ(PlatformShellOpen("www.example.org"), 1);
    for (int i = 0; i < 200 && testsupport::ReadText(log).find('\n') == std::string::npos; ++i) PlatformSleep(5);
    EXPECT_EQ(PlatformShellOpen("https://example.org/x"), 1);
    for (int i = 0; i < 200 && testsupport::ReadText(log).size() < 40; ++i) PlatformSleep(5);
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
    std::vector<uint8_t> longSound = Wave(11025 * 2);
    if (!PlatformPlaySound(longSound.data(), longSound.size(), SND_MEMORY | SND_ASYNC))
        GTEST_SKIP() << "no audio driver";
    EXPECT_EQ(PlatformSoundPlaying(), 1);
    // A new sound replaces the one that plays; size 0 reads the RIFF length.
    std::vector<uint8_t> shortSound = Wave(2205);
    EXPECT_EQ(PlatformPlaySound(shortSound.data(), 0, SND_MEMORY | SND_ASYNC), 1);
    bool ended = false;
    for (int i = 0; i < 150 && !ended; ++i) {
        ended = PlatformSoundPlaying() == 0;
        if (!ended) PlatformSleep(10);
    }
    EXPECT_TRUE(ended) << "the short sound should have ended within 1.5 s";
    EXPECT_EQ(PlatformPlaySound(longSound.data(), longSound.size(), SND_MEMORY | SND_ASYNC), 1);
    EXPECT_EQ(PlatformPlaySound(nullptr, 0, SND_NOWAIT), 1);
    EXPECT_EQ(PlatformSoundPlaying(), 0);
    // A damaged image plays nothing and stops nothing.
    std::vector<uint8_t> damaged = longSound;
    std::memcpy(damaged.data() + 8, "WAVX", 4);
    EXPECT_EQ(PlatformPlaySound(damaged.data(), damaged.size(), SND_MEMORY | SND_ASYNC), 0);
    damaged = longSound;
    damaged.resize(30);
    EXPECT_EQ(PlatformPlaySound(damaged.data(), damaged.size(), SND_MEMORY | SND_ASYNC), 0);
    const uint8_t absurd[8] = {'R', 'I', 'F', 'F', 0xF8, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(PlatformPlaySound(absurd, 0, SND_MEMORY), 0);
}

std::vector<uint8_t> Bmp4(int width, int height, const std::vector<uint8_t>& indices,
                          const std::vector<uint32_t>& colours) {
    std::vector<uint8_t> b(54, 0);
    size_t stride = ((static_cast<size_t>(width) * 4 + 31) / 32) * 4;
    uint32_t offset = 54 + static_cast<uint32_t>(colours.size()) * 4;
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(10, offset);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = 4;
    put32(46, static_cast<uint32_t>(colours.size()));
    for (uint32_t c : colours) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(static_cast<uint8_t>(c >> 16));
        b.push_back(0);
    }
    for (int r = height - 1; r >= 0; --r) {
        std::vector<uint8_t> row(stride, 0);
        for (int c = 0; c < width; ++c) {
            uint8_t v = indices[static_cast<size_t>(r * width + c)];
            row[static_cast<size_t>(c / 2)] |= static_cast<uint8_t>(c % 2 ? v : v << 4);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    put32(2, static_cast<uint32_t>(b.size()));
    return b;
}

TEST(SystemTest, BitmapFilesLoadAndRejectDamage) {
    // 16 x 10, 16 colours: black on light grey.
    std::vector<uint8_t> indices(160, 1);
    indices[0] = 0;
    std::vector<uint8_t> file = Bmp4(16, 10, indices, {0x000000, 0xC0C0C0});
    PlatformBitmap* plain = PlatformLoadBitmap(file.data(), file.size(), 0);
    ASSERT_NE(plain, nullptr);
    PlatformDeleteBitmap(plain);
    PlatformBitmap* mapped = PlatformLoadBitmap(file.data(), file.size(), 1);
    ASSERT_NE(mapped, nullptr);
    PlatformDeleteBitmap(mapped);
    for (size_t cut : {size_t{0}, size_t{20}, size_t{60}, file.size() - 1}) {
        std::vector<uint8_t> shortFile(file.begin(), file.begin() + static_cast<long>(cut));
        EXPECT_EQ(PlatformLoadBitmap(shortFile.data(), shortFile.size(), 0), nullptr) << cut;
    }
    std::vector<uint8_t> compressed = file;
    compressed[30] = 2;
    EXPECT_EQ(PlatformLoadBitmap(compressed.data(), compressed.size(), 0), nullptr);
    std::vector<uint8_t> huge = file;
    huge[21] = 0x7F;
    EXPECT_EQ(PlatformLoadBitmap(huge.data(), huge.size(), 0), nullptr);
    EXPECT_EQ(PlatformCreateBitmap(0, 10, indices.data()), nullptr);
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
    ASSERT_NE(memory, nullptr);
    PlatformRgbQuad colours[256]{};
    colours[2] = PlatformRgbQuad{30, 20, 10, 0};
    uint8_t* bits = nullptr;
    EXPECT_EQ(PlatformCreateDIBSection(memory, 0, 4, colours, &bits), nullptr);
    EXPECT_EQ(PlatformCreateDIBSection(memory, 100000, 4, colours, &bits), nullptr);
    PlatformDib* dib = PlatformCreateDIBSection(memory, 10, -4, colours, &bits);
    ASSERT_NE(dib, nullptr);
    std::memset(bits, 0, 12 * 4);
    bits[12 * 3 + 9] = 2;  // last row, last column; the row stride is 12
    PlatformSelectDib(memory, dib);
    EXPECT_EQ(PlatformBitBlt(dc, 0, 0, 10, 4, memory, 0, 0), 1);
    int w = 0, h = 0;
    uint8_t rgb[10 * 4 * 3];
    ASSERT_EQ(PlatformReadWindowPixels(window, &w, &h, rgb, sizeof rgb), 1);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 4);
    const uint8_t* last = rgb + (3 * 10 + 9) * 3;
    EXPECT_EQ(last[0], 10);
    EXPECT_EQ(last[1], 20);
    EXPECT_EQ(last[2], 30);
    EXPECT_EQ(rgb[0], 0);
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
