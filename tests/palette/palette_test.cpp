#include "grib/palette/palette.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "grib/env/env.h"
#include "kit/image/palette_tables.h"
#include "tests/support/support.h"

namespace {

using testsupport::RunGrib;
using testsupport::TempDir;

std::vector<uint8_t> Palette(std::vector<std::vector<uint8_t>> entries, uint8_t fill = 0) {
    std::vector<uint8_t> p(1024, fill);
    for (size_t i = 0; i < entries.size(); ++i) std::copy(entries[i].begin(), entries[i].end(), p.begin() + 4 * i);
    return p;
}
std::vector<uint8_t> Grey() {
    std::vector<uint8_t> p(1024);
    for (int i = 0; i < 1024; ++i) p[i] = i % 4 == 3 ? 0 : static_cast<uint8_t>(i / 4);
    return p;
}

TEST(NearestColor, SquaredDistanceTiesToTheLowestIndex) {
    const std::tuple<std::vector<uint8_t>, uint32_t, int> cases[] = {
        {Palette({{}, {}, {}, {10, 20, 30, 0}, {}, {}, {}, {10, 20, 30, 0}}, 200), GRIB_RGB(10, 20, 30), 3},
        {Palette({{}, {}, {}, {8, 20, 30, 0}, {}, {}, {}, {12, 20, 30, 0}}, 200), GRIB_RGB(10, 20, 30), 3},
        // 20² = 400 against 10² + 12² = 244; a flags byte that would match is ignored.
        {Palette({{}, {255, 255, 255, 0}, {100, 0, 0, 0}, {130, 12, 0, 0}, {120, 0, 16, 120}}), GRIB_RGB(120, 0, 0), 3},
        {Palette({{}, {255, 255, 255, 0}}), 0xFF000000u | GRIB_RGB(250, 250, 250), 1},  // bits above blue
        {Grey(), GRIB_RGB(17, 17, 17), 17},
    };
    for (const auto& [palette, colour, want] : cases) EXPECT_EQ(GRIB_NearestColor(palette.data(), colour), want) << want;
}

TEST(PaletteTables, AllocatedOnceFlagsGateTheCopiesShortBlocksFail) {
    testsupport::StartGrib();
    GribEnvironment* env = GRIB_GetEnvironment();
    const uint16_t saved = env->flags;
    ASSERT_EQ(GRIB_AllocAlphaTable(env) & GRIB_AllocShadeTable(env) & GRIB_AllocLightTable(env) &
                  GRIB_AllocGrayTable(env) & GRIB_AllocBlueTable(env),
              1);
    uint8_t* alpha = env->alphaTable;
    EXPECT_EQ(GRIB_AllocAlphaTable(env), 1);
    EXPECT_EQ(env->alphaTable, alpha);
    env->alphaTable[1] = 0x11;
    env->shadeTable[1] = 0x22;
    // The short blocks are exactly sized: a read past them shows under the sanitizer.
    std::vector<uint8_t> a(GRIB_ALPHA_TABLE_SIZE, 7), s(GRIB_SHADE_TABLE_SIZE, 3), shortA(GRIB_ALPHA_TABLE_SIZE - 1),
        shortS(GRIB_SHADE_TABLE_SIZE - 1);
    auto current = [&] { return std::vector<int>{env->alphaTable[1], env->shadeTable[1]}; };
    const std::tuple<int, std::vector<uint8_t>*, std::vector<uint8_t>*, int, std::vector<int>> steps[] = {
        {0, &a, &s, 2, {0x11, 0x22}},  // flags clear: accepted, kept
        {GRIB_FLAG_ALPHA, &a, &s, 2, {7, 0x22}},
        {GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE, &shortA, &shortS, 0, {7, 0x22}},
    };
    for (const auto& [flags, at, st, ok, after] : steps) {
        env->flags = uint16_t(flags);
        EXPECT_EQ(GRIB_SetAlphaTable(at->data(), at->size()) + GRIB_SetShadeTable(st->data(), st->size()), ok);
        EXPECT_EQ(current(), after) << flags;
    }
    EXPECT_EQ(GRIB_SetAlphaTable(nullptr, GRIB_ALPHA_TABLE_SIZE), 0);

    TempDir dir;
    const std::tuple<const char*, size_t, int> loads[] = {
        {"short.alp", 65535, 0}, {"short.shd", 100, 0}, {"missing.alp", 0, 0}, {"long.alp", 65546, 1}, {"good.shd", 8192, 1}};
    for (auto [name, size, ok] : loads) {
        if (size) dir.write(name, std::vector<uint8_t>(size, uint8_t(size == 8192 ? 31 : 9)));
        std::string path = dir.str() + "/" + name;
        EXPECT_EQ(std::strstr(name, ".alp") ? GRIB_LoadAlphaTable(path.c_str()) : GRIB_LoadShadeTable(path.c_str()), ok)
            << name;
    }
    EXPECT_EQ(current(), (std::vector<int>{9, 31})) << "a longer file gives its first bytes";
    env->flags = saved;
}

TEST(PaletteTables, MadeFromAPaletteAndWrittenByTheTool) {
    std::vector<uint8_t> grey = Grey(), shade = KitMakeShadeTable(grey.data());
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
    dir.write("short.pal", std::vector<uint8_t>(1023, 1));
    auto r = RunGrib({"palette", "tables", "p.pal", "out.alp", "out.shd"}, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> alpha = testsupport::ReadBytes(dir.path() / "out.alp");
    EXPECT_EQ(testsupport::ReadBytes(dir.path() / "out.shd"), KitMakeShadeTable(p.data()));
    for (int k = 0; k < 200; ++k) {
        int s = static_cast<int>(rng.below(256)), d = static_cast<int>(rng.below(256));
        auto mix = [&](int c) { return static_cast<uint8_t>((p[s * 4 + c] + p[d * 4 + c] + 1) / 2); };
        EXPECT_EQ(alpha[s * 256 + d], GRIB_NearestColor(p.data(), GRIB_RGB(mix(0), mix(1), mix(2))));
        EXPECT_EQ(alpha[s * 256 + d], alpha[d * 256 + s]);
    }
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"palette", "tables", "short.pal", "a", "b"}, 2}, {{"palette", "tables", "none.pal", "a", "b"}, 1},
        {{"palette", "tables", "p.pal"}, 2}};
    for (const auto& [args, status] : cases) {
        r = RunGrib(args, dir.str());
        EXPECT_EQ(r.status, status) << args[2];
        EXPECT_EQ(r.err.rfind(args.size() == 5 ? "grib: " : "usage: ", 0), 0u) << r.err;
    }
    EXPECT_NE(RunGrib({"palette", "--help"}).out.find("palette tables"), std::string::npos);
}

}  // namespace
