#include <gtest/gtest.h>

#include "grib/env/names.h"

TEST(Names, CompareWithoutAsciiCaseAndBaseNames) {
    EXPECT_TRUE(GRIB_SameName("units\\TANK.fbi", "UNITS\\tank.FBI"));
    EXPECT_TRUE(GRIB_SameName("", ""));
    EXPECT_FALSE(GRIB_SameName("tank", "tanks"));
    EXPECT_FALSE(GRIB_SameName("tanks", "tank"));
    EXPECT_FALSE(GRIB_SameName("\xC4", "\xE4")) << "only A-Z fold";
    EXPECT_TRUE(GRIB_HasPrefix("ARMtank", "arm"));
    EXPECT_TRUE(GRIB_HasPrefix("cor", "COR"));
    EXPECT_FALSE(GRIB_HasPrefix("co", "COR"));
    EXPECT_TRUE(GRIB_HasPrefix("anything", ""));
    for (auto [path, base] : {std::pair{"units\\ARMTANK.fbi", "ARMTANK"}, {"textures/anim.gaf", "anim"},
                              {"plain", "plain"}, {"a.b.c", "a.b"}, {"dir\\", ""}})
        EXPECT_EQ(GRIB_BaseName(path), base) << path;
}
