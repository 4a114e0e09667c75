// The disk side on this platform: backslash paths resolved without regard
// to case, and the Windows-style order and attributes of enumeration.
#include <sys/stat.h>

#include "tests/vfs/vfs_fixture.h"

namespace {

using DiskTest = VfsTest;

TEST_F(DiskTest, PathsResolveWithoutRegardToCaseExactMatchesFirst) {
    dir_.write("Units/ARMTANK.FBI", "tank");
    dir_.write("Gamedata/Sub Dir/Weapons.TDF", "weapons");
#ifndef _WIN32  // there, names differing only in case are one file
    dir_.write("data/File.txt", "upper");
    dir_.write("data/file.txt", "lower");
    dir_.write("Data/other.txt", "other dir");
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"units\\armtank.fbi", "tank"}, {"UNITS\\ArmTank.fbi", "tank"}, {"units/armtank.fbi", "tank"},
        {"gamedata\\sub dir\\weapons.tdf", "weapons"}, {".\\units\\..\\Units\\armtank.fbi", "tank"},
        {"units\\\\armtank.fbi", "tank"}, {(dir_.path() / "Units" / "ARMTANK.FBI").string(), "tank"},
        {"units\\armtank.fb", "<missing>"}, {"unit\\armtank.fbi", "<missing>"},
#ifndef _WIN32
        {"data\\file.txt", "lower"}, {"data\\File.txt", "upper"},
        {"DATA\\FILE.TXT", "upper"},        // no exact match: the same one every time (byte order)
        {"data\\other.txt", "other dir"},   // a folder that doesn't hold the rest is backed out of
        {"DATA\\nothing", "<missing>"},
#endif
    };
    for (const auto& [path, want] : cases) EXPECT_EQ(ReadAll(path), want) << path;
    EXPECT_EQ(GRIB_FileSize("UNITS\\ARMTANK.FBI"), 4);
    // A folder is not a file, and the archive's copy is found past it.
    std::filesystem::create_directories(dir_.path() / "a.txt");
    EXPECT_EQ(GRIB_Open("a.txt"), nullptr);
    EXPECT_EQ(GRIB_OpenAppend("a.txt"), nullptr);
    WriteArchive("x.grb", {{"a.txt", Bytes("from archive")}});
    Mount("x.grb");
    EXPECT_EQ(ReadAll("a.txt"), "from archive");
}

TEST_F(DiskTest, EnumerationOrderAndAttributes) {
    for (const char* name : {"b.txt", "A.txt", "c.TXT", "_x", "ro.txt"}) dir_.write(name, name);
    std::filesystem::create_directory(dir_.path() / "Sub");
    chmod((dir_.path() / "ro.txt").string().c_str(), 0444);
    const Lines all = {"-1 10 0 .", "-1 10 0 ..", "-1 20 5 A.txt", "-1 20 5 b.txt", "-1 20 5 c.TXT",
                       "-1 21 6 ro.txt", "-1 10 0 Sub", "-1 20 2 _x"};
    EXPECT_EQ(Enumerate("*"), all);
    EXPECT_EQ(Enumerate("*.*"), all);
    EXPECT_EQ(Enumerate("?.TXT"), (Lines{"-1 20 5 A.txt", "-1 20 5 b.txt", "-1 20 5 c.TXT"}));
    EXPECT_EQ(Enumerate("SUB"), (Lines{"-1 10 0 Sub"}));
    EXPECT_EQ(Enumerate("sub\\*"), (Lines{"-1 10 0 .", "-1 10 0 .."}));
    EXPECT_EQ(Enumerate("nothing\\*"), Lines{});
    EXPECT_EQ(Enumerate("b.txt\\*"), Lines{});
    FindData d;
    intptr_t f = GRIB_FindFirst("c.txt", &d);
    ASSERT_NE(f, -1);
    EXPECT_NE(d.lastWriteTime, 0u);
    EXPECT_EQ(GRIB_FindNext(f, &d), -1);
    EXPECT_EQ(GRIB_FindNext(f, &d), -1);
    EXPECT_EQ(GRIB_FindClose(f), 0);
}

}  // namespace
