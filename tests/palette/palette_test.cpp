#include "grib/palette/palette.h"

#include <gtest/gtest.h>

#include <vector>

#include "grib/env/env.h"
#include "kit/image/palette_tables.h"
#include "tests/support/support.h"

namespace {

using testsupport::RunGrib;
using testsupport::TempDir;

std::vector<uint8_t> Palette(std::vector<std::vector<uint8_t>> entries, uint8_t fill = 0) {
    std::vector<uint8_t> p(1024, fill);
    for (size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].empty()) std::copy(entries[i].begin(), entries[i].end(), p.begin() + 4 * i);
    return p;
}
std::vector<uint8_t> Grey() {
    std::vector<uint8_t> p(1024);
    for (int i = 0; i < 1024; ++i) p[i] = i % 4 == 3 ? 0 : static_cast<uint8_t>(i / 4);
    return p;
}

TEST(NearestColor, SquaredDistanceTiesToTheLowestIndex) {
    struct Case {
        std::vector<uint8_t> palette;
        uint32_t colour;
        int want;
    } cases[] = {
        {Palette({{}, {}, {}, {10, 20, 30, 0}, {}, {}, {}, {10, 20, 30, 0}}, 200), GRIB_RGB(10, 20, 30), 3},
        {Palette({{}, {}, {}, {8, 20, 30, 0}, {}, {}, {}, {12, 20, 30, 0}}, 200), GRIB_RGB(10, 20, 30), 3},
        // 20² = 400 against 10² + 12² = 244; a flags byte that would match is ignored.
        {Palette({{}, {255, 255, 255, 0}, {100, 0, 0, 0}, {130, 12, 0, 0}, {120, 0, 16, 120}}), GRIB_RGB(120, 0, 0), 3},
        {Palette({{}, {255, 255, 255, 0}}), 0xFF000000u | GRIB_RGB(250, 250, 250), 1},  // bits above blue
        {Grey(), GRIB_RGB(17, 17, 17), 17},
    };
    for (const Case& c : cases) EXPECT_EQ(GRIB_NearestColor(c.palette.data(), c.colour), c.want) << c.want;
}

TEST(PaletteTables, TablesAreAllocatedOnceAndFlagsGateTheCopies) {
    testsupport::StartGrib();
    GribEnvironment* env = GRIB_GetEnvironment();
    const uint16_t saved = env->flags;
    env->flags &= static_cast<uint16_t>(~(GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE));
    ASSERT_EQ(GRIB_AllocAlphaTable(env) & GRIB_AllocShadeTable(env) & GRIB_AllocLightTable(env) &
                  GRIB_AllocGrayTable(env) & GRIB_AllocBlueTable(env),
              1);
    uint8_t* alpha = env->alphaTable;
    EXPECT_EQ(GRIB_AllocAlphaTable(env), 1);
    EXPECT_EQ(env->alphaTable, alpha);
    const std::pair<uint8_t*, const char*> tables[] = {{env->alphaTable, "ALPHA TABLE"}, {env->shadeTable, "SHADE TABLE"},
                                                       {env->lightTable, "LIGHT TABLE"}, {env->grayTable, "GRAY TABLE"},
                                                       {env->blueTable, "BLUE TABLE"}};
    const uint32_t sizes[] = {65536, 8192, 8192, 256, 256};
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(GRIB_BlockTag(tables[i].first), tables[i].second);
        EXPECT_EQ(GRIB_BlockSize(tables[i].first), sizes[i]) << tables[i].second;
    }
    std::fill(env->alphaTable, env->alphaTable + GRIB_ALPHA_TABLE_SIZE, 0x11);
    std::fill(env->shadeTable, env->shadeTable + GRIB_SHADE_TABLE_SIZE, 0x22);
    std::vector<uint8_t> a(GRIB_ALPHA_TABLE_SIZE, 7), s(GRIB_SHADE_TABLE_SIZE, 3);
    auto current = [&] { return std::vector<int>{env->alphaTable[1], env->shadeTable[1]}; };
    // Exactly sized short blocks: a read past them shows under the sanitizer.
    std::vector<uint8_t> shortA(GRIB_ALPHA_TABLE_SIZE - 1, 5), shortS(GRIB_SHADE_TABLE_SIZE - 1, 6);
    EXPECT_EQ(GRIB_SetAlphaTable(a.data(), a.size()) + GRIB_SetShadeTable(s.data(), s.size()), 2);
    EXPECT_EQ(current(), (std::vector<int>{0x11, 0x22})) << "flags clear: kept";
    env->flags |= GRIB_FLAG_ALPHA;
    GRIB_SetAlphaTable(a.data(), a.size());
    GRIB_SetShadeTable(s.data(), s.size());
    EXPECT_EQ(current(), (std::vector<int>{7, 0x22}));
    env->flags |= GRIB_FLAG_SHADE;
    EXPECT_EQ(GRIB_SetAlphaTable(shortA.data(), shortA.size()) + GRIB_SetShadeTable(shortS.data(), shortS.size()) +
                  GRIB_SetAlphaTable(nullptr, GRIB_ALPHA_TABLE_SIZE),
              0);
    EXPECT_EQ(current(), (std::vector<int>{7, 0x22}));

    TempDir dir;
    dir.write("short.alp", std::vector<uint8_t>(65535, 9));
    dir.write("short.shd", std::vector<uint8_t>(100, 9));
    dir.write("long.alp", std::vector<uint8_t>(65536 + 10, 9));
    dir.write("good.shd", std::vector<uint8_t>(8192, 31));
    const std::pair<const char*, int> loads[] = {{"short.alp", 0}, {"short.shd", 0}, {"missing.alp", 0},
                                                 {"long.alp", 1}, {"good.shd", 1}};
    for (auto [name, ok] : loads) {
        std::string path = dir.str() + "/" + name;
        bool isAlpha = std::string(name).find(".alp") != std::string::npos;
        EXPECT_EQ(isAlpha ? GRIB_LoadAlphaTable(path.c_str()) : GRIB_LoadShadeTable(path.c_str()), ok) << name;
    }
    EXPECT_EQ(current(), (std::vector<int>{9, 31})) << "a longer file gives its first bytes";
    env->flags = saved;
}

TEST(PaletteTables, MadeFromAPaletteAndWrittenByTheTool) {
    std::vector<uint8_t> grey = Grey(), alpha = KitMakeAlphaTable(grey.data()), shade = KitMakeShadeTable(grey.data());
    EXPECT_EQ((std::vector<int>{alpha[255], alpha[255 * 256], alpha[100 * 257], alpha[10 * 256 + 20]}),
              (std::vector<int>{128, 128, 100, 15}));
    EXPECT_EQ(shade.size(), 8192u);
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(shade[c], 0) << "level 0 is black";
        EXPECT_EQ(shade[KIT_SHADE_UNCHANGED * 256 + c], c);
        for (int level = 1; level < 32; ++level) EXPECT_GE(shade[level * 256 + c], shade[(level - 1) * 256 + c]);
    }
    EXPECT_EQ(shade[8 * 256 + 200], 100);
    EXPECT_GT(shade[31 * 256 + 100], 150);
    grey[9 * 4] = grey[9 * 4 + 1] = grey[9 * 4 + 2] = 5;  // a colour twice keeps the unchanged row as is
    EXPECT_EQ(KitMakeShadeTable(grey.data())[KIT_SHADE_UNCHANGED * 256 + 9], 9);

    // Any palette: each alpha entry is the nearest colour to the even mix.
    TempDir dir;
    std::vector<uint8_t> p(1024);
    testsupport::Rng rng(7);
    for (auto& b : p) b = static_cast<uint8_t>(rng.next());
    dir.write("p.pal", p);
    auto r = RunGrib({"palette", "tables", "p.pal", "out.alp", "out.shd"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    alpha = testsupport::ReadBytes(dir.path() / "out.alp");
    EXPECT_EQ(testsupport::ReadBytes(dir.path() / "out.shd"), KitMakeShadeTable(p.data()));
    for (int k = 0; k < 200; ++k) {
        int s = static_cast<int>(rng.below(256)), d = static_cast<int>(rng.below(256));
        auto mix = [&](int c) { return static_cast<uint8_t>((p[s * 4 + c] + p[d * 4 + c] + 1) / 2); };
        EXPECT_EQ(alpha[s * 256 + d], GRIB_NearestColor(p.data(), GRIB_RGB(mix(0), mix(1), mix(2))));
        EXPECT_EQ(alpha[s * 256 + d], alpha[d * 256 + s]);
    }
    dir.write("short.pal", std::vector<uint8_t>(1023, 1));
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"palette", "tables", "short.pal", "a", "b"}, 2},
        {{"palette", "tables", "none.pal", "a", "b"}, 1},
        {{"palette", "tables", "p.pal"}, 2},
    };
    for (const auto& [args, status] : cases) {
        r = RunGrib(args, dir.str());
        EXPECT_EQ(r.status, status) << args[2];
        EXPECT_EQ(r.err.rfind(args.size() == 5 ? "grib: " : "usage: ", 0), 0u) << r.err;
    }
    EXPECT_NE(RunGrib({"palette", "--help"}).out.find("palette tables"), std::string::npos);
}

}  // namespace
