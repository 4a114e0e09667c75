#include "grib/palette/palette.h"

#include <gtest/gtest.h>

#include <vector>

#include "grib/env/env.h"
#include "kit/image/palette_tables.h"
#include "tests/support/support.h"

namespace {

using testsupport::RunGrib;
using testsupport::TempDir;

std::vector<uint8_t> GreyPalette() {
    std::vector<uint8_t> p(1024);
    for (int i = 0; i < 256; ++i) p[i * 4] = p[i * 4 + 1] = p[i * 4 + 2] = static_cast<uint8_t>(i);
    return p;
}

void SetEntry(std::vector<uint8_t>& p, int i, uint8_t r, uint8_t g, uint8_t b, uint8_t flags = 0) {
    p[i * 4] = r;
    p[i * 4 + 1] = g;
    p[i * 4 + 2] = b;
    p[i * 4 + 3] = flags;
}

class PaletteTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        env = GRIB_GetEnvironment();
        savedFlags = env->flags;
        env->flags &= static_cast<uint16_t>(~(GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE));
        ASSERT_EQ(GRIB_AllocAlphaTable(env), 1);
        ASSERT_EQ(GRIB_AllocShadeTable(env), 1);
        std::fill(env->alphaTable, env->alphaTable + GRIB_ALPHA_TABLE_SIZE, 0x11);
        std::fill(env->shadeTable, env->shadeTable + GRIB_SHADE_TABLE_SIZE, 0x22);
    }
    void TearDown() override { env->flags = savedFlags; }
    GribEnvironment* env = nullptr;
    uint16_t savedFlags = 0;
};

TEST(NearestColor, TiesGoToTheLowestIndex) {
    std::vector<uint8_t> p(1024, 200);
    SetEntry(p, 3, 10, 20, 30);
    SetEntry(p, 7, 10, 20, 30);
    EXPECT_EQ(GRIB_NearestColor(p.data(), GRIB_RGB(10, 20, 30)), 3);
    // Equally far on both sides of an entry pair is a tie too.
    SetEntry(p, 3, 8, 20, 30);
    SetEntry(p, 7, 12, 20, 30);
    EXPECT_EQ(GRIB_NearestColor(p.data(), GRIB_RGB(10, 20, 30)), 3);

    std::vector<uint8_t> black(1024, 0);
    EXPECT_EQ(GRIB_NearestColor(black.data(), 0), 0);
}

TEST(NearestColor, SquaredDistanceWithSignedDifferencesAndFlagsIgnored) {
    std::vector<uint8_t> p(1024, 0);
    for (int i = 0; i < 256; ++i) SetEntry(p, i, 0, 0, 0, 0);
    SetEntry(p, 1, 255, 255, 255);
    SetEntry(p, 2, 100, 0, 0);       // red 20 too low: 400
    SetEntry(p, 3, 130, 12, 0);      // 10² + 12² = 244: nearer
    SetEntry(p, 4, 120, 0, 16, 120); // flags byte 120 would match red, but is ignored: 256
    EXPECT_EQ(GRIB_NearestColor(p.data(), GRIB_RGB(120, 0, 0)), 3);
    EXPECT_EQ(GRIB_NearestColor(p.data(), GRIB_RGB(250, 250, 250)), 1);
    // Bits above blue are not part of the colour.
    EXPECT_EQ(GRIB_NearestColor(p.data(), 0xFF000000u | GRIB_RGB(250, 250, 250)), 1);
    std::vector<uint8_t> grey = GreyPalette();
    for (int v = 0; v < 256; v += 17) EXPECT_EQ(GRIB_NearestColor(grey.data(), GRIB_RGB(v, v, v)), v);
}

TEST_F(PaletteTest, TablesAreAllocatedOnceWithTheirTagsAndSizes) {
    uint8_t* alpha = env->alphaTable;
    EXPECT_EQ(GRIB_AllocAlphaTable(env), 1);
    EXPECT_EQ(env->alphaTable, alpha);
    EXPECT_EQ(GRIB_BlockSize(env->alphaTable), 65536u);
    EXPECT_STREQ(GRIB_BlockTag(env->alphaTable), "ALPHA TABLE");
    EXPECT_EQ(GRIB_BlockSize(env->shadeTable), 8192u);
    EXPECT_STREQ(GRIB_BlockTag(env->shadeTable), "SHADE TABLE");
    ASSERT_EQ(GRIB_AllocLightTable(env), 1);
    ASSERT_EQ(GRIB_AllocGrayTable(env), 1);
    ASSERT_EQ(GRIB_AllocBlueTable(env), 1);
    EXPECT_STREQ(GRIB_BlockTag(env->lightTable), "LIGHT TABLE");
    EXPECT_EQ(GRIB_BlockSize(env->lightTable), 8192u);
    EXPECT_STREQ(GRIB_BlockTag(env->grayTable), "GRAY TABLE");
    EXPECT_EQ(GRIB_BlockSize(env->grayTable), 256u);
    EXPECT_STREQ(GRIB_BlockTag(env->blueTable), "BLUE TABLE");
    EXPECT_EQ(GRIB_BlockSize(env->blueTable), 256u);
}

TEST_F(PaletteTest, FlagsGateTheCopies) {
    std::vector<uint8_t> alpha(GRIB_ALPHA_TABLE_SIZE), shade(GRIB_SHADE_TABLE_SIZE);
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = static_cast<uint8_t>(i * 7);
    for (size_t i = 0; i < shade.size(); ++i) shade[i] = static_cast<uint8_t>(i * 3);

    // Flag clear: the tables stay as they were.
    EXPECT_EQ(GRIB_SetAlphaTable(alpha.data(), alpha.size()), 1);
    EXPECT_EQ(GRIB_SetShadeTable(shade.data(), shade.size()), 1);
    EXPECT_EQ(env->alphaTable[1], 0x11);
    EXPECT_EQ(env->shadeTable[1], 0x22);

    // The alpha flag alone copies only the alpha table.
    env->flags |= GRIB_FLAG_ALPHA;
    GRIB_SetAlphaTable(alpha.data(), alpha.size());
    GRIB_SetShadeTable(shade.data(), shade.size());
    EXPECT_TRUE(std::equal(alpha.begin(), alpha.end(), env->alphaTable));
    EXPECT_EQ(env->shadeTable[1], 0x22);

    env->flags |= GRIB_FLAG_SHADE;
    GRIB_SetShadeTable(shade.data(), shade.size());
    EXPECT_TRUE(std::equal(shade.begin(), shade.end(), env->shadeTable));
}

TEST_F(PaletteTest, ShortTablesAreRefusedAndNeverOverRead) {
    env->flags |= GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE;
    // Exactly sized heap blocks: a read past them shows under the sanitizer.
    std::vector<uint8_t> alpha(GRIB_ALPHA_TABLE_SIZE - 1, 5), shade(GRIB_SHADE_TABLE_SIZE - 1, 6);
    EXPECT_EQ(GRIB_SetAlphaTable(alpha.data(), alpha.size()), 0);
    EXPECT_EQ(GRIB_SetShadeTable(shade.data(), shade.size()), 0);
    EXPECT_EQ(GRIB_SetAlphaTable(nullptr, GRIB_ALPHA_TABLE_SIZE), 0);
    EXPECT_EQ(env->alphaTable[0], 0x11);
    EXPECT_EQ(env->shadeTable[0], 0x22);

    TempDir dir;
    dir.write("short.alp", std::vector<uint8_t>(65535, 9));
    dir.write("short.shd", std::vector<uint8_t>(100, 9));
    dir.write("long.alp", std::vector<uint8_t>(65536 + 10, 9));
    std::vector<uint8_t> good(8192);
    for (size_t i = 0; i < good.size(); ++i) good[i] = static_cast<uint8_t>(i / 256);
    dir.write("good.shd", good);
    EXPECT_EQ(GRIB_LoadAlphaTable((dir.str() + "/short.alp").c_str()), 0);
    EXPECT_EQ(GRIB_LoadShadeTable((dir.str() + "/short.shd").c_str()), 0);
    EXPECT_EQ(GRIB_LoadAlphaTable((dir.str() + "/missing.alp").c_str()), 0);
    EXPECT_EQ(env->alphaTable[0], 0x11);
    EXPECT_EQ(env->shadeTable[0], 0x22);
    // A longer file is fine: the table takes its first bytes.
    EXPECT_EQ(GRIB_LoadAlphaTable((dir.str() + "/long.alp").c_str()), 1);
    EXPECT_EQ(env->alphaTable[65535], 9);
    EXPECT_EQ(GRIB_LoadShadeTable((dir.str() + "/good.shd").c_str()), 1);
    EXPECT_EQ(env->shadeTable[31 * 256 + 5], 31);
}

TEST(PaletteTables, AlphaIsTheNearestEvenMix) {
    std::vector<uint8_t> grey = GreyPalette();
    std::vector<uint8_t> alpha = KitMakeAlphaTable(grey.data());
    ASSERT_EQ(alpha.size(), 65536u);
    EXPECT_EQ(alpha[0 * 256 + 255], 128);
    EXPECT_EQ(alpha[255 * 256 + 0], 128);
    EXPECT_EQ(alpha[100 * 256 + 100], 100);
    EXPECT_EQ(alpha[10 * 256 + 20], 15);

    // Any palette: each entry is the nearest colour to the mix.
    std::vector<uint8_t> p(1024);
    testsupport::Rng rng(7);
    for (auto& b : p) b = static_cast<uint8_t>(rng.next());
    alpha = KitMakeAlphaTable(p.data());
    for (int k = 0; k < 200; ++k) {
        int s = static_cast<int>(rng.below(256)), d = static_cast<int>(rng.below(256));
        uint32_t mix = GRIB_RGB(static_cast<uint8_t>((p[s * 4] + p[d * 4] + 1) / 2),
                                static_cast<uint8_t>((p[s * 4 + 1] + p[d * 4 + 1] + 1) / 2),
                                static_cast<uint8_t>((p[s * 4 + 2] + p[d * 4 + 2] + 1) / 2));
        EXPECT_EQ(alpha[s * 256 + d], GRIB_NearestColor(p.data(), mix));
        EXPECT_EQ(alpha[s * 256 + d], alpha[d * 256 + s]);
    }
}

TEST(PaletteTables, ShadeRisesFromDarkestThroughTheColourToBrighter) {
    std::vector<uint8_t> grey = GreyPalette();
    std::vector<uint8_t> shade = KitMakeShadeTable(grey.data());
    ASSERT_EQ(shade.size(), 8192u);
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(shade[c], 0) << c;                                // level 0: black
        EXPECT_EQ(shade[KIT_SHADE_UNCHANGED * 256 + c], c) << c;  // unchanged
        for (int level = 1; level < 32; ++level)
            EXPECT_GE(shade[level * 256 + c], shade[(level - 1) * 256 + c]) << c << " " << level;
    }
    EXPECT_EQ(shade[8 * 256 + 200], 100);
    EXPECT_GT(shade[31 * 256 + 100], 150);
    // A palette with a colour twice still keeps the unchanged row as is.
    std::vector<uint8_t> p = grey;
    SetEntry(p, 9, 5, 5, 5);
    shade = KitMakeShadeTable(p.data());
    EXPECT_EQ(shade[KIT_SHADE_UNCHANGED * 256 + 9], 9);
}

TEST(PaletteCommand, WritesBothTables) {
    TempDir dir;
    std::vector<uint8_t> p(1024);
    testsupport::Rng rng(3);
    for (auto& b : p) b = static_cast<uint8_t>(rng.next());
    dir.write("p.pal", p);
    auto r = RunGrib({"palette", "tables", "p.pal", "out.alp", "out.shd"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testsupport::ReadBytes(dir.path() / "out.alp"), KitMakeAlphaTable(p.data()));
    EXPECT_EQ(testsupport::ReadBytes(dir.path() / "out.shd"), KitMakeShadeTable(p.data()));

    dir.write("short.pal", std::vector<uint8_t>(1023, 1));
    r = RunGrib({"palette", "tables", "short.pal", "a", "b"}, dir.str());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("grib: ", 0), 0u);
    EXPECT_EQ(RunGrib({"palette", "tables", "none.pal", "a", "b"}, dir.str()).status, 1);
    EXPECT_EQ(RunGrib({"palette", "tables", "p.pal"}, dir.str()).status, 2);
    r = RunGrib({"palette", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("palette tables"), std::string::npos);
}

}  // namespace
