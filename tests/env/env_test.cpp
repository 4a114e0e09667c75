#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "tests/support/support.h"

namespace {

class EnvTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    static uint32_t Allocated() { return GRIB_GetEnvironment()->allocatedBytes; }
};

TEST_F(EnvTest, StartupDefaultsTickRateAndTicks) {
    GribEnvironment* env = GRIB_GetEnvironment();
    EXPECT_EQ((std::vector<int64_t>{env->tickRate, env->width, env->height, env->typeaheadCapacity,
                                    env->flags & (GRIB_FLAG_VALID | GRIB_FLAG_DEBUG | GRIB_FLAG_CURSOR_THREAD |
                                                  GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE)}),
              (std::vector<int64_t>{30, 640, 480, 30, GRIB_FLAG_VALID | GRIB_FLAG_DEBUG}));
    for (int32_t rate : {0, -5}) {
        ASSERT_EQ(GRIB_Startup(rate, nullptr, 0), 1);
        EXPECT_EQ(GRIB_GetTickRate(), 60) << rate;
    }
    GRIB_SetTickRate(30);
    // Ticks are milliseconds times the rate, sampled around one reading.
    const uint32_t before = GRIB_Milliseconds(), ticks = GRIB_Ticks(), after = GRIB_Milliseconds();
    if (before <= after) {
        EXPECT_GE(ticks, before * 30u / 1000u);
        EXPECT_LE(ticks, after * 30u / 1000u);
    }
}

TEST_F(EnvTest, BlocksAreCountedTaggedAndAligned) {
    const uint32_t base = Allocated();
    void* a = GRIB_Alloc(std::string(100, 'x').c_str(), 100);
    void* b = GRIB_Alloc("second", 3);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(Allocated(), base + 103);
    EXPECT_EQ(std::string(GRIB_BlockTag(a)), std::string(63, 'x'));  // tags are cut
    EXPECT_EQ(GRIB_BlockSize(b), 3u);
    for (void* p : {a, b}) EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u);
    for (void* p : {a, static_cast<void*>(nullptr), b}) GRIB_Free(p);
    EXPECT_EQ(Allocated(), base);
}

TEST_F(EnvTest, ReallocKeepsContentsAndRecounts) {
    const uint32_t base = Allocated();
    auto* p = static_cast<char*>(GRIB_Realloc(nullptr, nullptr, 4));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(GRIB_BlockTag(p), "Anonymous");
    std::memcpy(p, "abcd", 4);
    // A new tag replaces the old one, none keeps it.
    for (auto [size, tag] : {std::pair{size_t{4000}, "grown"}, {size_t{2}, static_cast<const char*>(nullptr)}}) {
        p = static_cast<char*>(GRIB_Realloc(p, tag, size));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(std::memcmp(p, "abcd", std::min<size_t>(size, 4)), 0);
        EXPECT_STREQ(GRIB_BlockTag(p), "grown");
        EXPECT_EQ(Allocated(), base + size);
    }
    // Failed requests leave the block and the count alone.
    EXPECT_TRUE(!GRIB_Alloc("huge", SIZE_MAX - 8) && !GRIB_Realloc(p, "huge", SIZE_MAX - 8));
    EXPECT_EQ((std::vector<size_t>{GRIB_BlockSize(p), Allocated()}), (std::vector<size_t>{2, base + 2}));
    GRIB_Free(p);
}

TEST(EnvShutdown, ExitsWithStatusOne) {
    EXPECT_EXIT(GRIB_Shutdown(nullptr), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(GRIB_Shutdown("bye"), ::testing::ExitedWithCode(1), "bye");
}

}  // namespace
