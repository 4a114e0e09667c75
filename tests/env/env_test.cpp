#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "grib/env/env.h"
#include "tests/support/support.h"

namespace {

class EnvTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
};

TEST_F(EnvTest, StartupSetsDefaults) {
    GribEnvironment* env = GRIB_GetEnvironment();
    EXPECT_EQ(env, GRIB_GetEnvironment());
    EXPECT_EQ(env->tickRate, 30);
    EXPECT_EQ(env->width, 640);
    EXPECT_EQ(env->height, 480);
    EXPECT_EQ(env->surfacePresent, 0u);
    EXPECT_EQ(env->mainWindow, nullptr);
    EXPECT_TRUE(env->flags & GRIB_FLAG_VALID);
    EXPECT_TRUE(env->flags & GRIB_FLAG_DEBUG);
    EXPECT_FALSE(env->flags & (GRIB_FLAG_RESERVED_1000 | GRIB_FLAG_CURSOR_THREAD | GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE));
    EXPECT_EQ(env->typeaheadCapacity, 30u);
    EXPECT_EQ(env->mountCount, 0);
}

TEST_F(EnvTest, TickRateZeroMeansSixty) {
    ASSERT_EQ(GRIB_Startup(0, nullptr, 0), 1);
    EXPECT_EQ(GRIB_GetTickRate(), 60);
    ASSERT_EQ(GRIB_Startup(-5, nullptr, 0), 1);
    EXPECT_EQ(GRIB_GetTickRate(), 60);
    GRIB_SetTickRate(30);
    EXPECT_EQ(GRIB_GetTickRate(), 30);
}

TEST_F(EnvTest, TicksFollowMillisecondsTimesRate) {
    // Same formula as the clock, sampled around one reading.
    uint32_t before = GRIB_Milliseconds();
    uint32_t ticks = GRIB_Ticks();
    uint32_t after = GRIB_Milliseconds();
    uint32_t lo = (before * 30u) / 1000u;
    uint32_t hi = (after * 30u) / 1000u;
    if (lo <= hi) {
        EXPECT_GE(ticks, lo);
        EXPECT_LE(ticks, hi);
    }
    // 30 ticks per second: about 3 ticks in 100 ms.
    uint32_t t0 = GRIB_Ticks();
    timespec ts{0, 110 * 1000 * 1000};
    nanosleep(&ts, nullptr);
    uint32_t t1 = GRIB_Ticks();
    EXPECT_GE(t1 - t0, 3u);
    EXPECT_LE(t1 - t0, 30u);
}

TEST_F(EnvTest, AllocCountsRequestedBytes) {
    uint32_t base = GRIB_GetEnvironment()->allocatedBytes;
    void* a = GRIB_Alloc("first", 100);
    void* b = GRIB_Alloc("second", 28);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base + 128);
    GRIB_Free(a);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base + 28);
    GRIB_Free(nullptr);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base + 28);
    GRIB_Free(b);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base);
}

TEST_F(EnvTest, BlocksAreAlignedForAnyType) {
    for (size_t size : {1u, 3u, 17u, 100u}) {
        void* p = GRIB_Alloc("aligned", size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u);
        GRIB_Free(p);
    }
}

TEST_F(EnvTest, TagsAreCutTo63Characters) {
    std::string longTag(100, 'x');
    void* p = GRIB_Alloc(longTag.c_str(), 8);
    EXPECT_EQ(std::string(GRIB_BlockTag(p)), std::string(63, 'x'));
    EXPECT_EQ(GRIB_BlockSize(p), 8u);
    GRIB_Free(p);
}

TEST_F(EnvTest, ReallocKeepsContentsAndRecounts) {
    uint32_t base = GRIB_GetEnvironment()->allocatedBytes;
    auto* p = static_cast<char*>(GRIB_Realloc(nullptr, nullptr, 4));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(GRIB_BlockTag(p), "Anonymous");
    std::memcpy(p, "abcd", 4);
    p = static_cast<char*>(GRIB_Realloc(p, "grown", 4000));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::memcmp(p, "abcd", 4), 0);
    EXPECT_STREQ(GRIB_BlockTag(p), "grown");
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base + 4000);
    p = static_cast<char*>(GRIB_Realloc(p, nullptr, 2));
    EXPECT_STREQ(GRIB_BlockTag(p), "grown");
    EXPECT_EQ(std::memcmp(p, "ab", 2), 0);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base + 2);
    GRIB_Free(p);
}

TEST_F(EnvTest, FailedAllocLeavesCountAlone) {
    uint32_t base = GRIB_GetEnvironment()->allocatedBytes;
    EXPECT_EQ(GRIB_Alloc("huge", SIZE_MAX - 8), nullptr);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base);
    void* p = GRIB_Alloc("small", 16);
    EXPECT_EQ(GRIB_Realloc(p, "huge", SIZE_MAX - 8), nullptr);
    EXPECT_EQ(GRIB_BlockSize(p), 16u);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, base + 16);
    GRIB_Free(p);
}

TEST(EnvShutdown, ExitsWithStatusOne) {
    EXPECT_EXIT(GRIB_Shutdown(nullptr), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(GRIB_Shutdown("bye"), ::testing::ExitedWithCode(1), "bye");
}

}  // namespace
