// The sound cache: each sound loaded once and played from memory.
#include "app/hooks.h"
#include "tests/app/app_support.h"

namespace {

std::vector<std::pair<const void*, uint32_t>> g_calls;

using SoundTest = apptest::GameTest;

TEST_F(SoundTest, SoundsAreLoadedOnceAndMissingOnesAreTriedAgain) {
    Load();
    g_calls.clear();
    g_viewerHooks.playSound = [](const void* image, size_t, uint32_t flags) {
        g_calls.push_back({image, flags});
        return 1;
    };
    SoundCache* cache = g_viewer.soundCache;
    ASSERT_NE(cache, nullptr);
    PlayNamedSound(cache, "zap");
    PlayNamedSound(cache, "ZAP");
    PlayNamedSound(cache, "late");
    ASSERT_EQ(std::pair(g_calls.size(), cache->count), std::pair(size_t(2), 1));
    EXPECT_EQ(g_calls[0].first, g_calls[1].first) << "the cached image, played from memory";
    EXPECT_EQ(g_calls[0].second, 5u);  // SND_MEMORY | SND_ASYNC
    EXPECT_EQ(GRIB_BlockSize(g_calls[0].first), KitGameWav(300, 0.1).size());
    dir.write("sounds/late.wav", KitGameWav(500, 0.05));
    PlayNamedSound(cache, "late");
    EXPECT_EQ(cache->count, 2);
    StopSound();
    DestroySoundCache(g_viewer.soundCache);
    g_viewer.soundCache = nullptr;
    EXPECT_EQ(g_calls, (std::vector<std::pair<const void*, uint32_t>>{
                           g_calls[0], g_calls[0], g_calls[2], {nullptr, 0x2000}, {nullptr, 0x2000}}));
}

}  // namespace
