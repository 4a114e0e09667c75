#include <gtest/gtest.h>

#include "grib/env/names.h"

TEST(Names, CompareWithoutAsciiCase) {
    EXPECT_TRUE(GRIB_SameName("units\\TANK.fbi", "UNITS\\tank.FBI"));
    EXPECT_TRUE(GRIB_SameName("", ""));
    EXPECT_FALSE(GRIB_SameName("tank", "tanks"));
    EXPECT_FALSE(GRIB_SameName("tanks", "tank"));
    // Only A-Z fold: bytes above 127 compare as they are.
    EXPECT_FALSE(GRIB_SameName("\xC4", "\xE4"));
    EXPECT_TRUE(GRIB_HasPrefix("ARMtank", "arm"));
    EXPECT_TRUE(GRIB_HasPrefix("cor", "COR"));
    EXPECT_FALSE(GRIB_HasPrefix("co", "COR"));
    EXPECT_TRUE(GRIB_HasPrefix("anything", ""));
}

TEST(Names, BaseNameDropsFolderAndExtension) {
    EXPECT_EQ(GRIB_BaseName("units\\ARMTANK.fbi"), "ARMTANK");
    EXPECT_EQ(GRIB_BaseName("textures/anim.gaf"), "anim");
    EXPECT_EQ(GRIB_BaseName("plain"), "plain");
    EXPECT_EQ(GRIB_BaseName("a.b.c"), "a.b");
    EXPECT_EQ(GRIB_BaseName("dir\\"), "");
}
