#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
    EXPECT_EQ(env->tickRate, 30);
    EXPECT_EQ(env->width, 640);
    EXPECT_EQ(env->height, 480);
    EXPECT_EQ(env->flags & (GRIB_FLAG_VALID | GRIB_FLAG_DEBUG | GRIB_FLAG_CURSOR_THREAD | GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE),
              GRIB_FLAG_VALID | GRIB_FLAG_DEBUG);
    EXPECT_EQ(env->typeaheadCapacity, 30u);
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
    EXPECT_EQ(std::string(GRIB_BlockTag(a)), std::string(63, 'x'));
    EXPECT_EQ(GRIB_BlockSize(b), 3u);
    for (void* p : {a, b}) EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u);
    GRIB_Free(a);
    GRIB_Free(nullptr);
    EXPECT_EQ(Allocated(), base + 3);
    GRIB_Free(b);
    EXPECT_EQ(Allocated(), base);
}

TEST_F(EnvTest, ReallocKeepsContentsAndRecounts) {
    const uint32_t base = Allocated();
    auto* p = static_cast<char*>(GRIB_Realloc(nullptr, nullptr, 4));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(GRIB_BlockTag(p), "Anonymous");
    std::memcpy(p, "abcd", 4);
    p = static_cast<char*>(GRIB_Realloc(p, "grown", 4000));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::memcmp(p, "abcd", 4), 0);
    EXPECT_EQ(Allocated(), base + 4000);
    p = static_cast<char*>(GRIB_Realloc(p, nullptr, 2));
    EXPECT_STREQ(GRIB_BlockTag(p), "grown");
    EXPECT_EQ(std::memcmp(p, "ab", 2), 0);
    EXPECT_EQ(Allocated(), base + 2);
    // Failed requests leave the block and the count alone.
    EXPECT_EQ(GRIB_Alloc("huge", SIZE_MAX - 8), nullptr);
    EXPECT_EQ(GRIB_Realloc(p, "huge", SIZE_MAX - 8), nullptr);
    EXPECT_EQ(GRIB_BlockSize(p), 2u);
    EXPECT_EQ(Allocated(), base + 2);
    GRIB_Free(p);
}

TEST(EnvShutdown, ExitsWithStatusOne) {
    EXPECT_EXIT(GRIB_Shutdown(nullptr), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(GRIB_Shutdown("bye"), ::testing::ExitedWithCode(1), "bye");
}

}  // namespace
