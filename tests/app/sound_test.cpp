// The sound cache, and sounds reaching the audio device.
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/system.h"
#include "tests/app/app_support.h"

namespace {

using apptest::GameTest;
namespace fs = std::filesystem;

std::vector<std::pair<const void*, uint32_t>> g_calls;

class SoundTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        g_calls.clear();
        saved = g_playSound;
    }
    void TearDown() override {
        g_playSound = saved;
        GameTest::TearDown();
    }
    void Record() {
        g_playSound = [](const void* image, size_t, uint32_t flags) {
            g_calls.push_back({image, flags});
            return 1;
        };
    }
    int (*saved)(const void*, size_t, uint32_t) = nullptr;
};

TEST_F(SoundTest, SoundsAreLoadedOnceAndMissingOnesAreTriedAgain) {
    Load();
    Record();
    SoundCache* cache = g_viewer.soundCache;
    ASSERT_NE(cache, nullptr);
    PlayNamedSound(cache, "zap");
    PlayNamedSound(cache, "ZAP");
    ASSERT_EQ(cache->count, 1);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].first, g_calls[1].first);  // the cached image, played from memory
    EXPECT_EQ(g_calls[0].second, 5u);                // SND_MEMORY | SND_ASYNC
    EXPECT_EQ(GRIB_BlockSize(g_calls[0].first), KitGameWav(300, 0.1).size());
    PlayNamedSound(cache, "late");
    EXPECT_EQ(cache->count, 1);
    EXPECT_EQ(g_calls.size(), 2u);
    dir.write("sounds/late.wav", KitGameWav(500, 0.05));
    PlayNamedSound(cache, "late");
    EXPECT_EQ(cache->count, 2);
    EXPECT_EQ(g_calls.size(), 3u);
    StopSound();
    EXPECT_EQ(g_calls.back(), (std::pair<const void*, uint32_t>{nullptr, 0x2000}));
    g_calls.clear();
    DestroySoundCache(g_viewer.soundCache);
    g_viewer.soundCache = nullptr;
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].first, nullptr);
}

#ifndef _WIN32  // SDL's disk driver exists only on the SDL side
// The platform's own sound call with SDL's disk driver: what is played is
// written to a file.
TEST_F(SoundTest, TheLogoSoundReachesTheAudioDevice) {
    // The check runs in a fresh process, so the audio system starts there
    // with the disk driver; that process runs this test again from the
    // start and finds the output path here.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* preset = std::getenv("SHOWCASE_TEST_AUDIO_OUT");
    const fs::path out = preset ? fs::path(preset) : dir.path() / "audio.raw";
    setenv("SHOWCASE_TEST_AUDIO_OUT", out.c_str(), 1);
    Load();
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
            setenv("SDL_DISKAUDIODELAY", "1", 1);
            g_playSound = PlatformPlaySound;
            PlayNamedSound(g_viewer.soundCache, "Nosuchsound");  // skipped silently
            PlayNamedSound(g_viewer.soundCache, "Fenpup");
            for (int i = 0; i < 300 && PlatformSoundPlaying(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            StopSound();
            std::_Exit(g_viewer.soundCache->count == 1 ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
    unsetenv("SHOWCASE_TEST_AUDIO_OUT");
    ASSERT_TRUE(fs::exists(out));
    EXPECT_GT(fs::file_size(out), 0u);
}
#endif

}  // namespace
