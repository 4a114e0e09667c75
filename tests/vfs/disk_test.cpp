// The disk side on this platform: backslash paths resolved without regard
// to case, and the Windows-style order and attributes of enumeration.
#include <sys/stat.h>

#include "tests/vfs/vfs_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class DiskTest : public VfsTest {
protected:
    // Names and attributes only (disk sizes and times vary).
    static Lines Names(const char* pattern) {
        Lines out;
        FindData d;
        intptr_t f = GRIB_FindFirst(pattern, &d);
        if (f == -1) return out;
        do {
            char line[300];
            std::snprintf(line, sizeof line, "%02X %s", d.attributes, d.name);
            out.push_back(line);
        } while (GRIB_FindNext(f, &d) == 0);
        GRIB_FindClose(f);
        return out;
    }
};

TEST_F(DiskTest, PathsResolveWithoutRegardToCase) {
    dir_.write("Units/ARMTANK.FBI", "tank");
    dir_.write("Gamedata/Sub Dir/Weapons.TDF", "weapons");
    EXPECT_EQ(ReadAll("units\\armtank.fbi"), "tank");
    EXPECT_EQ(ReadAll("UNITS\\ArmTank.fbi"), "tank");
    EXPECT_EQ(ReadAll("units/armtank.fbi"), "tank");
    EXPECT_EQ(ReadAll("gamedata\\sub dir\\weapons.tdf"), "weapons");
    EXPECT_EQ(ReadAll(".\\units\\..\\Units\\armtank.fbi"), "tank");
    EXPECT_EQ(ReadAll("units\\\\armtank.fbi"), "tank");
    EXPECT_EQ(ReadAll("units\\armtank.fb"), "<missing>");
    EXPECT_EQ(ReadAll("unit\\armtank.fbi"), "<missing>");
    EXPECT_EQ(GRIB_FileSize("UNITS\\ARMTANK.FBI"), 4);
    std::string abs = (dir_.path() / "Units" / "ARMTANK.FBI").string();
    EXPECT_EQ(ReadAll(abs.c_str()), "tank");
}

TEST_F(DiskTest, ExactMatchWinsOverFoldedOnes) {
#ifdef _WIN32
    GTEST_SKIP() << "names differing only in case are one file on Windows";
#endif
    dir_.write("data/File.txt", "upper");
    dir_.write("data/file.txt", "lower");
    dir_.write("Data/other.txt", "other dir");
    EXPECT_EQ(ReadAll("data\\file.txt"), "lower");
    EXPECT_EQ(ReadAll("data\\File.txt"), "upper");
    // No exact match: the same one every time (byte order).
    EXPECT_EQ(ReadAll("DATA\\FILE.TXT"), "upper");
    EXPECT_EQ(ReadAll("Data\\other.txt"), "other dir");
    // A folder that doesn't hold the rest is backed out of.
    EXPECT_EQ(ReadAll("data\\other.txt"), "other dir");
    EXPECT_EQ(ReadAll("DATA\\nothing"), "<missing>");
}

TEST_F(DiskTest, DirectoriesAreNotFiles) {
    std::filesystem::create_directories(dir_.path() / "a.txt");
    EXPECT_EQ(GRIB_Open("a.txt"), nullptr);
    EXPECT_EQ(GRIB_OpenAppend("a.txt"), nullptr);
    WriteArchive("x.grb", {{"a.txt", Bytes("from archive")}});
    Mount("x.grb");
    EXPECT_EQ(ReadAll("a.txt"), "from archive");
}

TEST_F(DiskTest, EnumerationOrderAndAttributes) {
    dir_.write("b.txt", "bb");
    dir_.write("A.txt", "a");
    dir_.write("c.TXT", "ccc");
    dir_.write("_x", "");
    dir_.write("ro.txt", "r");
    std::filesystem::create_directory(dir_.path() / "Sub");
    chmod((dir_.path() / "ro.txt").string().c_str(), 0444);
    EXPECT_EQ(Names("*"), (Lines{"10 .", "10 ..", "20 A.txt", "20 b.txt", "20 c.TXT", "21 ro.txt", "10 Sub", "20 _x"}));
    EXPECT_EQ(Names("*.*"), Names("*"));
    EXPECT_EQ(Names("*.txt"), (Lines{"20 A.txt", "20 b.txt", "20 c.TXT", "21 ro.txt"}));
    EXPECT_EQ(Names("?.TXT"), (Lines{"20 A.txt", "20 b.txt", "20 c.TXT"}));
    EXPECT_EQ(Names("SUB"), (Lines{"10 Sub"}));
    EXPECT_EQ(Names("sub\\*"), (Lines{"10 .", "10 .."}));
    EXPECT_EQ(Names("nothing\\*"), Lines{});
    EXPECT_EQ(Names("b.txt\\*"), Lines{});

    FindData d;
    intptr_t f = GRIB_FindFirst("c.txt", &d);
    ASSERT_NE(f, -1);
    EXPECT_EQ(d.size, 3u);
    EXPECT_NE(d.lastWriteTime, 0u);
    EXPECT_EQ(GRIB_FindSource(f), -1);
    EXPECT_EQ(GRIB_FindNext(f, &d), -1);
    EXPECT_EQ(GRIB_FindNext(f, &d), -1);
    EXPECT_EQ(GRIB_FindClose(f), 0);
}

TEST_F(DiskTest, EnumerationContinuesIntoArchives) {
    dir_.write("units/armtank.fbi", "disk");
    WriteArchive("u.grb", {{"units\\ARMTANK.FBI", Bytes("archive")}, {"units\\corak.fbi", Bytes("ak")}});
    Mount("u.grb");
    GRIB_RefreshShadows();
    EXPECT_EQ(Names("Units\\*.FBI"), (Lines{"20 armtank.fbi", "01 corak.fbi"}));
    // Only the archive has the folder.
    std::filesystem::remove_all(dir_.path() / "units");
    GRIB_RefreshShadows();
    EXPECT_EQ(Names("units\\*"), (Lines{"01 ARMTANK.FBI", "01 corak.fbi"}));
}

}  // namespace
