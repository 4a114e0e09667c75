#include <gtest/gtest.h>

#include <tuple>

#include "grib/env/names.h"

TEST(Names, CompareWithoutAsciiCaseAndBaseNames) {
    // Only A-Z fold.
    for (auto [a, b, same] : {std::tuple{"units\\TANK.fbi", "UNITS\\tank.FBI", true}, {"", "", true},
                              {"tank", "tanks", false}, {"tanks", "tank", false}, {"\xC4", "\xE4", false}})
        EXPECT_EQ(GRIB_SameName(a, b), same) << a << " " << b;
    for (auto [text, prefix, has] : {std::tuple{"ARMtank", "arm", true}, {"cor", "COR", true}, {"co", "COR", false},
                                     {"anything", "", true}})
        EXPECT_EQ(GRIB_HasPrefix(text, prefix), has) << text << " " << prefix;
    for (auto [path, base] : {std::pair{"units\\ARMTANK.fbi", "ARMTANK"}, {"textures/anim.gaf", "anim"},
                              {"plain", "plain"}, {"a.b.c", "a.b"}, {"dir\\", ""}})
        EXPECT_EQ(GRIB_BaseName(path), base) << path;
}
