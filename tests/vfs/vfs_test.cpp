// The merged file system: the disk side (backslash paths resolved without
// regard to case, Windows-style enumeration), precedence, lookups, handles,
// whole-file operations, enumeration and shadows.
#include <sys/stat.h>

#include <cstring>

#include "tests/vfs/vfs_fixture.h"

namespace {

namespace fs = std::filesystem;
using MergedTest = VfsTest;

TEST_F(MergedTest, DiskPathsResolveWithoutRegardToCaseExactMatchesFirst) {
    dir_.write("Units/ARMTANK.FBI", "tank");
    dir_.write("Gamedata/Sub Dir/Weapons.TDF", "weapons");
#ifndef _WIN32  // there, names differing only in case are one file
    dir_.write("data/File.txt", "upper");
    dir_.write("data/file.txt", "lower");
    dir_.write("Data/other.txt", "other dir");
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"UNITS\\ArmTank.fbi", "tank"}, {"units/armtank.fbi", "tank"}, {"gamedata\\sub dir\\weapons.tdf", "weapons"},
        {".\\units\\..\\Units\\armtank.fbi", "tank"}, {"units\\\\armtank.fbi", "tank"},
        {(dir_.path() / "Units" / "ARMTANK.FBI").string(), "tank"}, {"units\\armtank.fb", "<missing>"},
#ifndef _WIN32
        {"data\\file.txt", "lower"}, {"data\\File.txt", "upper"},
        {"DATA\\FILE.TXT", "upper"},       // no exact match: the same one every time (byte order)
        {"data\\other.txt", "other dir"},  // a folder that doesn't hold the rest is backed out of
        {"DATA\\nothing", "<missing>"},
#endif
    };
    for (const auto& [path, want] : cases) EXPECT_EQ(ReadAll(path), want) << path;
    // A folder is not a file, and the archive's copy is found past it.
    fs::create_directories(dir_.path() / "a.txt");
    EXPECT_TRUE(!GRIB_Open("a.txt") && !GRIB_OpenAppend("a.txt"));
    WriteArchive("x.grb", {{"a.txt", Bytes("from archive")}});
    Mount("x.grb");
    EXPECT_EQ(ReadAll("a.txt"), "from archive");
}

TEST_F(MergedTest, DiskEnumerationOrderAndAttributes) {
    for (const char* name : {"b.txt", "A.txt", "c.TXT", "_x", "ro.txt"}) dir_.write(name, name);
    fs::create_directory(dir_.path() / "Sub");
    chmod((dir_.path() / "ro.txt").string().c_str(), 0444);
    const Lines all = {"-1 10 0 .", "-1 10 0 ..", "-1 20 5 A.txt", "-1 20 5 b.txt", "-1 20 5 c.TXT",
                       "-1 21 6 ro.txt", "-1 10 0 Sub", "-1 20 2 _x"};
    EXPECT_EQ(Enumerate("*"), all);
    EXPECT_EQ(Enumerate("*.*"), all);
    EXPECT_EQ(Enumerate("?.TXT"), (Lines{"-1 20 5 A.txt", "-1 20 5 b.txt", "-1 20 5 c.TXT"}));
    EXPECT_EQ(Enumerate("SUB"), (Lines{"-1 10 0 Sub"}));
    EXPECT_EQ(Enumerate("sub\\*"), (Lines{"-1 10 0 .", "-1 10 0 .."}));
    EXPECT_EQ(Enumerate("nothing\\*").size() + Enumerate("b.txt\\*").size(), 0u);
    FindData d;
    intptr_t f = GRIB_FindFirst("c.txt", &d);
    ASSERT_NE(f, -1);
    EXPECT_NE(d.lastWriteTime, 0u);
    EXPECT_EQ((std::vector<int>{GRIB_FindNext(f, &d), GRIB_FindNext(f, &d), GRIB_FindClose(f)}),
              (std::vector<int>{-1, -1, 0}));
}

TEST_F(MergedTest, LookupRules) {
    WriteImage("l.grb", KitBuildTree(Tree({{{"dup.txt", false, 0, Bytes("earlier"), 0}, {"units", true, 1, {}, 0},
                                            {"dup.txt", false, 0, Bytes("later!"), 0},
                                            {"file", false, 0, Bytes("f"), 0}},
                                           {{"tank.fbi", false, 0, Bytes("tank"), 0}}}), {}));
    Mount("l.grb");
    for (auto [path, want] : {std::pair{"UNITS\\TANK.FBI", "tank"}, {"DUP.TXT", "later!"},  // the later of two names
                              {"units/tank.fbi", "<missing>"},  // archives know only backslashes
                              {"\\units\\tank.fbi", "<missing>"}, {"units\\", "<missing>"}, {"", "<missing>"},
                              {"file\\x", "<missing>"}, {"units\\.\\tank.fbi", "<missing>"}, {"tank.fbi", "<missing>"},
                              {"units\\..\\dup.txt", "<missing>"}, {"units\\tank.fb", "<missing>"},
                              {"units\\tank.fbi2", "<missing>"}})
        EXPECT_EQ(ReadAll(path), want) << path;
    GRIB_RefreshShadows();
    EXPECT_EQ(Enumerate("dup.txt"), (Lines{"0 01 7 dup.txt", "0 01 6 dup.txt"})) << "both reported";
}

TEST_F(MergedTest, DiskFirstThenArchivesInMountOrderAlsoWhenEnumerating) {
    WriteArchive("a.grb", {{"units\\tank.fbi", Bytes("archive tank")}, {"units\\other.fbi", Bytes("other")},
                           {"units\\notes", Bytes("n")}});
    WriteArchive("b.grb", {{"units\\tank.fbi", Bytes("b tank")}, {"units\\other.fbi", Bytes("b other")},
                           {"units\\extra.fbi", Bytes("extra")}}, 0x21);
    dir_.write("Units/TANK.FBI", "disk tank");
    Mount("a.grb");
    Mount("b.grb");
    EXPECT_EQ(ReadAll("units\\tank.fbi") + ReadAll("units\\other.fbi") + ReadAll("units\\extra.fbi"),
              "disk tankotherextra");
    EXPECT_EQ(Enumerate("units\\*.fbi").size(), 6u) << "before the shadow pass every source reports its copy";
    EXPECT_EQ(GRIB_RefreshShadows(), 0);
    EXPECT_EQ(Enumerate("units\\*.fbi"), (Lines{"-1 20 9 TANK.FBI", "0 01 5 other.fbi", "1 01 5 extra.fbi"}));
    // "*.*" matches names without a dot inside archives too.
    EXPECT_EQ(Enumerate("units\\*.*"), (Lines{"-1 10 0 .", "-1 10 0 ..", "-1 20 9 TANK.FBI", "0 01 1 notes",
                                              "0 01 5 other.fbi", "1 01 5 extra.fbi"}));
    EXPECT_EQ(Enumerate("units\\*."), (Lines{"-1 10 0 .", "-1 10 0 .."}));
    Lines root = Enumerate("*");
    for (const char* line : {"-1 10 0 Units", "0 11 0 units", "1 11 0 units"})
        EXPECT_EQ(std::count(root.begin(), root.end(), line), 1) << line << ": once per source";
    // The marks follow the disk: with the loose file gone, a fresh pass lets
    // the first archive report it, also where only archives have the folder.
    fs::remove_all(dir_.path() / "Units");
    GRIB_RefreshShadows();
    EXPECT_EQ(Enumerate("UNITS\\T*"), (Lines{"0 01 12 tank.fbi"}));
    EXPECT_EQ(ReadAll("units\\tank.fbi"), "archive tank");
}

TEST_F(MergedTest, WildMatchRules) {
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"", "*", true}, {"", "", true}, {"a", "", false}, {"tank", "T?NK", true}, {"tak", "T?NK", false},
        {"tank.fbi", "*.FBI", true}, {"tank.fbix", "*.FBI", false}, {"A", "A*", true}, {"A", "A**", false},
        {"AB", "A**", true}, {"noext", "*.*", false}, {"a.b.c", "*.*", true}, {"armtank.fbi", "ARM*.*", true},
        {"cortank.fbi", "ARM*", false}, {"abcabcabd", "*abd", true}, {"mississippi", "m*iss*p?i", true},
        {"mississippi", "m*iss*p?x", false}, {std::string(300, 'x'), "*", true},
        {"a~b{", "A~B{", true}, {"a~b", "A^B", false},  // only a-z fold
    };
    for (const auto& [name, pattern, match] : cases)
        EXPECT_EQ(GRIB_WildMatch(name.c_str(), pattern.c_str()) != 0, match) << name << " " << pattern;
    // More stars than the state list holds (the sanitizer build checks the bounds).
    GRIB_WildMatch(std::string(300, 'x').c_str(), std::string(300, '*').c_str());
}

// Handles share the archive's stream, open while any handle is; data after
// a gap byte, read whole and in odd pieces.
TEST_F(MergedTest, HandlesOnOneArchiveReadInterleaved) {
    std::string one(5000, 0), two;
    testsupport::Rng rng(11);
    for (char& c : one) c = char(rng.next());
    for (int i = 0; i < 3000; ++i) two += char('0' + i % 10);
    KitArchiveOptions opt;
    opt.headerKey = 0x77;
    opt.dataGap = 1;
    WriteImage("i.grb",
               KitBuildTree(Tree({{{"one.txt", false, 0, Bytes(one), 0}, {"two.txt", false, 0, Bytes(two), 0}}}), opt));
    Mount("i.grb");
    OPENGRIBFILE* a = GRIB_GetEnvironment()->mounts[0];
    EXPECT_EQ(a->stream, nullptr) << "closed after the directory was read";
    FileHandle* h1 = GRIB_Open("one.txt");
    FileHandle* h2 = GRIB_Open("two.txt");
    ASSERT_TRUE(h1 && h2);
    std::string got1, got2;
    char buf[333];
    for (int32_t n1 = 1, n2 = 1; n1 > 0 || n2 > 0;) {
        got1.append(buf, size_t(std::max(n1 = GRIB_Read(h1, buf, 333), 0)));
        got2.append(buf, size_t(std::max(n2 = GRIB_Read(h2, buf, 5), 0)));
    }
    EXPECT_TRUE(got1 == one && got2 == two);
    EXPECT_EQ(GRIB_Close(h1), 0);
    EXPECT_NE(a->stream, nullptr);
    EXPECT_EQ(GRIB_Close(h2), 0);
    EXPECT_EQ(a->stream, nullptr);
    EXPECT_EQ(ReadAll("two.txt", 1), two) << "reopened on demand";
    GRIB_ResetMounts();
    ASSERT_EQ(GRIB_MountArchive("i.grb", 1), 1);
    EXPECT_EQ(ReadAll("one.txt", 1 << 20), one);
    EXPECT_NE(GRIB_GetEnvironment()->mounts[0]->stream, nullptr) << "kept open";
}

TEST_F(MergedTest, SeekReadAtLoadFileAndLoadInto) {
    const char* path = "palettes\\palette.pal";
    WriteArchive("w.grb", {{path, Bytes("0123456789")}, {"empty.txt", {}}}, 3);
    dir_.write("disk.txt", "");
    Mount("w.grb");
    const uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    FileHandle* h = GRIB_Open(path);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GRIB_Length(h), 10);
    char buf[16];
    const std::tuple<int32_t, int32_t, std::string> steps[] = {
        {-1, 16, ""}, {7, 16, "789"}, {1000, 16, ""},  // no bound check: reads give nothing
        {2, 3, "234"}, {2, 0, ""}, {2, -5, ""}};
    for (const auto& [seek, count, want] : steps) {
        EXPECT_EQ(GRIB_Seek(h, seek), 0);
        EXPECT_EQ(std::string(buf, size_t(GRIB_Read(h, buf, count))), want) << seek << " " << count;
    }
    EXPECT_EQ(GRIB_Write(h, "zz", 2), -1);
    GRIB_Close(h);
    EXPECT_EQ(GRIB_ReadAt(path, buf, 4, 3), buf);
    EXPECT_EQ(std::string(buf, 3), "456");
    for (auto [file, at] : {std::pair{path, 10}, {"nothing", 0}}) EXPECT_EQ(GRIB_ReadAt(file, buf, at, 3), nullptr);
    int32_t length = 0;
    void* block = GRIB_LoadFile(path, &length);
    EXPECT_EQ(std::string(static_cast<char*>(block), size_t(length)), "0123456789");
    EXPECT_STREQ(GRIB_BlockTag(block), "palette.pal");
    GRIB_Free(block);
    GRIB_Free(GRIB_LoadFile(path));  // no out-length
    EXPECT_EQ(GRIB_LoadInto(path, buf, 9), nullptr);
    EXPECT_EQ(GRIB_LoadInto(path, buf, 16), buf);
    EXPECT_EQ(std::string(buf, 10), "0123456789");
    for (const char* empty : {"empty.txt", "disk.txt", "missing"}) {
        length = 5;
        EXPECT_EQ(GRIB_LoadFile(empty, &length), nullptr);
        EXPECT_EQ(length, -1);
        EXPECT_EQ(GRIB_LoadInto(empty, buf, 4), nullptr);
        EXPECT_EQ(ReadAll(empty), empty[0] == 'm' ? "<missing>" : "") << empty;
    }
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
}

TEST_F(MergedTest, AppendCreatesDiskFilesAndArchiveFilesRefuseWrites) {
    WriteArchive("r.grb", {{"gamedata\\showcase.tdf", Bytes("[RESOURCES]{}")}});
    Mount("r.grb");
    const std::string abs = (dir_.path() / "abs.tmp").string();
    for (const std::string& path : {std::string("new.pal"), std::string("NEW.PAL"), abs}) {
        FileHandle* h = GRIB_OpenAppend(path.c_str());
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(GRIB_Write(h, "ab", 2), 2);
        EXPECT_EQ(GRIB_Close(h), 0);
    }
    EXPECT_EQ(ReadAll("new.pal") + ReadAll(abs), "ababab") << "appends to what is there";
#ifndef _WIN32  // Windows folds case itself
    EXPECT_FALSE(fs::exists(dir_.path() / "NEW.PAL"));
#endif
    // No disk folder to create it in: the archive copy is opened, read-only.
    FileHandle* h = GRIB_OpenAppend("gamedata\\showcase.tdf");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GRIB_Write(h, "x", 1), -1);
    GRIB_Close(h);
    EXPECT_EQ(ReadAll("gamedata\\showcase.tdf"), "[RESOURCES]{}");
}

TEST_F(MergedTest, FailuresAndOverlongPathsLeaveNothingAllocated) {
    const std::string name(200, 'n'), stars(300, '*');
    WriteArchive("long.grb", {{"d\\" + name, Bytes("ok")},
                              {"x\\" + std::string(240, 'y') + "\\" + std::string(30, 'z'), Bytes("deep")}});
    dir_.write("bad.grb", "GRIB");
    const uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    EXPECT_EQ(GRIB_MountArchive("bad.grb", 0) + GRIB_MountArchive(stars.c_str(), 0), 0);
    EXPECT_EQ(GRIB_GetEnvironment()->mountCount, 0);
    FindData d;
    for (const char* pattern : {"nothing*", stars.c_str()}) EXPECT_EQ(GRIB_FindFirst(pattern, &d), -1);
    EXPECT_EQ(GRIB_LoadFile(stars.c_str()), nullptr);
    for (intptr_t find : {-1, 0}) EXPECT_EQ(GRIB_FindNext(find, &d), -1);
    EXPECT_EQ(GRIB_FindClose(-1) + GRIB_Close(nullptr), -2);
    EXPECT_EQ(GRIB_Read(nullptr, &d, 1), 0);
    Mount("long.grb");
    EXPECT_EQ(ReadAll("d\\" + name), "ok");
    EXPECT_EQ(GRIB_Open(("d\\" + std::string(250, 'n') + ".txt").c_str()), nullptr) << "257 characters";
    EXPECT_EQ(GRIB_RefreshShadows(), 0) << "the shadow walk skips what doesn't fit";
    GRIB_ResetMounts();
    EXPECT_TRUE(GRIB_GetEnvironment()->allocatedBytes == before && !GRIB_GetEnvironment()->mounts);
}

}  // namespace
