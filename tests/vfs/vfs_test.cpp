// The merged file system: precedence, lookups, handles, whole-file
// operations, enumeration and shadows.
#include <sys/stat.h>

#include <cstring>

#include "tests/vfs/vfs_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class MergedTest : public VfsTest {};

TEST_F(MergedTest, DiskFirstThenArchivesInMountOrder) {
    WriteArchive("first.grb", {{"units\\tank.fbi", Bytes("first")}, {"only1.txt", Bytes("1")}});
    WriteArchive("second.grb", {{"units\\tank.fbi", Bytes("second")}, {"only2.txt", Bytes("2")}}, 0x9C);
    dir_.write("units/tank.fbi", "disk");
    Mount("first.grb");
    Mount("second.grb");
    EXPECT_EQ(GRIB_GetEnvironment()->mountCount, 2);
    EXPECT_EQ(ReadAll("units\\tank.fbi"), "disk");
    std::filesystem::remove(dir_.path() / "units/tank.fbi");
    EXPECT_EQ(ReadAll("units\\tank.fbi"), "first");
    EXPECT_EQ(ReadAll("only2.txt"), "2");
    EXPECT_EQ(ReadAll("UNITS\\TANK.FBI"), "first");
    EXPECT_EQ(ReadAll("units/tank.fbi"), "<missing>");  // archives know only backslashes
    EXPECT_EQ(ReadAll("\\units\\tank.fbi"), "<missing>");
    EXPECT_EQ(ReadAll("units\\"), "<missing>");
    EXPECT_EQ(ReadAll(""), "<missing>");
}

TEST_F(MergedTest, LookupRules) {
    KitArchiveTree tree;
    tree.nodes.resize(2);
    tree.nodes[0].entries = {{"dup.txt", false, 0, Bytes("earlier"), 0},
                             {"units", true, 1, {}, 0},
                             {"dup.txt", false, 0, Bytes("later!"), 0},
                             {"file", false, 0, Bytes("f"), 0}};
    tree.nodes[1].entries = {{"tank.fbi", false, 0, Bytes("tank"), 0}};
    WriteImage("l.grb", KitBuildTree(tree, {}));
    Mount("l.grb");
    GRIBFILE* d = GRIB_GetEnvironment()->mounts[0]->directory;

    GribEntry* e = GRIB_LookupPath(d, "UNITS\\TANK.FBI");
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, "tank.fbi");
    ASSERT_NE(GRIB_LookupPath(d, "Units"), nullptr);
    EXPECT_TRUE(GRIB_LookupPath(d, "Units")->flags & GRIB_ENTRY_DIRECTORY);
    EXPECT_EQ(GRIB_LookupPath(d, "file\\x"), nullptr);  // a file is not a directory
    EXPECT_EQ(GRIB_LookupPath(d, "units\\.\\tank.fbi"), nullptr);
    EXPECT_EQ(GRIB_LookupPath(d, "units\\..\\dup.txt"), nullptr);
    EXPECT_EQ(GRIB_LookupPath(d, "tank.fbi"), nullptr);
    EXPECT_EQ(GRIB_LookupPath(d, "units\\tank.fb"), nullptr);
    EXPECT_EQ(GRIB_LookupPath(d, "units\\tank.fbi2"), nullptr);

    // Of two equal names the later entry wins; enumeration reports both.
    EXPECT_EQ(ReadAll("DUP.TXT"), "later!");
    EXPECT_EQ(Enumerate("dup.txt"), (Lines{"0 01 7 dup.txt", "0 01 6 dup.txt"}));
    GRIB_RefreshShadows();
    EXPECT_EQ(Enumerate("dup.txt"), (Lines{"0 01 7 dup.txt", "0 01 6 dup.txt"}));
}

TEST_F(MergedTest, EnumerationAfterShadows) {
    WriteArchive("a.grb", {{"units\\tank.fbi", Bytes("archive tank")},
                           {"units\\other.fbi", Bytes("other")},
                           {"units\\notes", Bytes("n")}});
    WriteArchive("b.grb", {{"units\\tank.fbi", Bytes("b tank")},
                           {"units\\other.fbi", Bytes("b other")},
                           {"units\\extra.fbi", Bytes("extra")}}, 0x21);
    dir_.write("units/tank.fbi", "disk tank");
    Mount("a.grb");
    Mount("b.grb");

    // Before the shadow pass every source reports its own copy.
    EXPECT_EQ(Enumerate("units\\*.fbi").size(), 6u);
    EXPECT_EQ(GRIB_RefreshShadows(), 0);
    EXPECT_EQ(Enumerate("units\\*.fbi"),
              (Lines{"-1 20 9 tank.fbi", "0 01 5 other.fbi", "1 01 5 extra.fbi"}));
    // "*.*" matches names without a dot inside archives too.
    EXPECT_EQ(Enumerate("units\\*.*"), (Lines{"-1 10 0 .", "-1 10 0 ..", "-1 20 9 tank.fbi", "0 01 1 notes",
                                              "0 01 5 other.fbi", "1 01 5 extra.fbi"}));
    EXPECT_EQ(Enumerate("units\\*."), (Lines{"-1 10 0 .", "-1 10 0 .."}));
    // Directories are reported once per source.
    Lines root = Enumerate("*");
    EXPECT_EQ(std::count(root.begin(), root.end(), "-1 10 0 units"), 1);
    EXPECT_EQ(std::count(root.begin(), root.end(), "0 11 0 units"), 1);
    EXPECT_EQ(std::count(root.begin(), root.end(), "1 11 0 units"), 1);
    EXPECT_EQ(root[0], "-1 10 0 .");
    EXPECT_EQ(root[1], "-1 10 0 ..");

    // The shadow marks follow the disk: with the loose file gone, a fresh
    // pass lets the first archive report it.
    std::filesystem::remove(dir_.path() / "units/tank.fbi");
    GRIB_RefreshShadows();
    EXPECT_EQ(Enumerate("UNITS\\T*"), (Lines{"0 01 12 tank.fbi"}));
    EXPECT_EQ(ReadAll("units\\tank.fbi"), "archive tank");
}

TEST_F(MergedTest, ShadowsInDirectoriesNamedInOtherCase) {
    dir_.write("Units/ARMTANK.FBI", "disk");
    WriteArchive("a.grb", {{"units\\armtank.fbi", Bytes("archive")}, {"UNITS\\corjeep.fbi", Bytes("j")}});
    Mount("a.grb");
    GRIB_RefreshShadows();
    EXPECT_EQ(Enumerate("units\\*.fbi"), (Lines{"-1 20 4 ARMTANK.FBI", "0 01 1 corjeep.fbi"}));
    EXPECT_EQ(ReadAll("units\\armtank.fbi"), "disk");
}

TEST_F(MergedTest, WildMatchRules) {
    EXPECT_TRUE(GRIB_WildMatch("", "*"));
    EXPECT_TRUE(GRIB_WildMatch("", ""));
    EXPECT_FALSE(GRIB_WildMatch("a", ""));
    EXPECT_TRUE(GRIB_WildMatch("tank", "T?NK"));
    EXPECT_FALSE(GRIB_WildMatch("tak", "T?NK"));
    EXPECT_TRUE(GRIB_WildMatch("tank.fbi", "*.FBI"));
    EXPECT_FALSE(GRIB_WildMatch("tank.fbix", "*.FBI"));
    EXPECT_TRUE(GRIB_WildMatch("A", "A*"));
    EXPECT_FALSE(GRIB_WildMatch("A", "A**"));
    EXPECT_TRUE(GRIB_WildMatch("AB", "A**"));
    EXPECT_FALSE(GRIB_WildMatch("noext", "*.*"));
    EXPECT_TRUE(GRIB_WildMatch("a.b.c", "*.*"));
    EXPECT_TRUE(GRIB_WildMatch("armtank.fbi", "ARM*.*"));
    EXPECT_FALSE(GRIB_WildMatch("cortank.fbi", "ARM*"));
    EXPECT_TRUE(GRIB_WildMatch("abcabcabd", "*abd"));
    EXPECT_TRUE(GRIB_WildMatch("mississippi", "m*iss*p?i"));
    EXPECT_FALSE(GRIB_WildMatch("mississippi", "m*iss*p?x"));
    // Many stars stay within the state list.
    std::string stars(300, '*');
    std::string longName(300, 'x');
    GRIB_WildMatch(longName.c_str(), stars.c_str());
    EXPECT_TRUE(GRIB_WildMatch(longName.c_str(), "*"));
}

TEST_F(MergedTest, HandlesOnOneArchiveReadInterleaved) {
    std::string one, two;
    for (int i = 0; i < 3000; ++i) {
        one += char('a' + i % 26);
        two += char('0' + i % 10);
    }
    WriteArchive("i.grb", {{"one.txt", Bytes(one)}, {"two.txt", Bytes(two)}}, 0x77);
    Mount("i.grb");
    OPENGRIBFILE* a = GRIB_GetEnvironment()->mounts[0];
    EXPECT_EQ(a->stream, nullptr);  // closed after the directory was read
    FileHandle* h1 = GRIB_Open("one.txt");
    FileHandle* h2 = GRIB_Open("two.txt");
    ASSERT_TRUE(h1 && h2);
    EXPECT_NE(a->stream, nullptr);
    EXPECT_EQ(a->openCount, 2u);
    std::string got1, got2;
    char buf[7];
    int32_t n1 = 1, n2 = 1;
    while (n1 > 0 || n2 > 0) {
        n1 = GRIB_Read(h1, buf, 7);
        got1.append(buf, size_t(std::max(n1, 0)));
        n2 = GRIB_Read(h2, buf, 5);
        got2.append(buf, size_t(std::max(n2, 0)));
    }
    EXPECT_EQ(got1, one);
    EXPECT_EQ(got2, two);
    EXPECT_EQ(GRIB_Close(h1), 0);
    EXPECT_NE(a->stream, nullptr);
    EXPECT_EQ(GRIB_Close(h2), 0);
    EXPECT_EQ(a->stream, nullptr);
    EXPECT_EQ(a->openCount, 0u);
    // Reopened on demand.
    EXPECT_EQ(ReadAll("two.txt"), two);
}

TEST_F(MergedTest, KeepOpenArchiveStaysOpen) {
    WriteArchive("k.grb", {{"x", Bytes("x")}});
    ASSERT_EQ(GRIB_MountArchive("k.grb", 1), 1);
    OPENGRIBFILE* a = GRIB_GetEnvironment()->mounts[0];
    EXPECT_NE(a->stream, nullptr);
    EXPECT_EQ(ReadAll("x"), "x");
    EXPECT_NE(a->stream, nullptr);
    EXPECT_EQ(std::string(a->fullPath), (std::filesystem::current_path() / "k.grb").string());
}

TEST_F(MergedTest, SeekAndReadOnArchiveFiles) {
    WriteArchive("s.grb", {{"f.bin", Bytes("0123456789")}}, 3);
    Mount("s.grb");
    FileHandle* h = GRIB_Open("f.bin");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GRIB_Length(h), 10);
    EXPECT_EQ(GRIB_Seek(h, -1), 0);
    char buf[16];
    EXPECT_EQ(GRIB_Read(h, buf, 16), 0);
    EXPECT_EQ(GRIB_Seek(h, 7), 0);
    EXPECT_EQ(GRIB_Read(h, buf, 16), 3);
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(GRIB_Seek(h, 1000), 0);  // no bound check; reads return nothing
    EXPECT_EQ(GRIB_Read(h, buf, 16), 0);
    EXPECT_EQ(GRIB_Seek(h, 2), 0);
    EXPECT_EQ(GRIB_Read(h, buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "234");
    EXPECT_EQ(GRIB_Read(h, buf, 0), 0);
    EXPECT_EQ(GRIB_Read(h, buf, -5), 0);
    EXPECT_EQ(GRIB_Write(h, "zz", 2), -1);
    GRIB_Close(h);
    EXPECT_EQ(ReadAll("f.bin"), "0123456789");

    char at[4] = {};
    EXPECT_EQ(GRIB_ReadAt("f.bin", at, 4, 3), at);
    EXPECT_EQ(std::string(at, 3), "456");
    EXPECT_EQ(GRIB_ReadAt("f.bin", at, 10, 3), nullptr);
    EXPECT_EQ(GRIB_ReadAt("nothing", at, 0, 3), nullptr);
}

TEST_F(MergedTest, ZeroLengthFiles) {
    WriteArchive("z.grb", {{"empty.txt", {}}});
    dir_.write("disk.txt", "");
    Mount("z.grb");
    for (const char* path : {"empty.txt", "disk.txt"}) {
        FileHandle* h = GRIB_Open(path);
        ASSERT_NE(h, nullptr) << path;
        EXPECT_EQ(GRIB_Length(h), 0);
        char c;
        EXPECT_EQ(GRIB_Read(h, &c, 1), 0);
        GRIB_Close(h);
        int32_t length = 5;
        EXPECT_EQ(GRIB_LoadFile(path, &length), nullptr);
        EXPECT_EQ(length, -1);
        EXPECT_EQ(GRIB_FileSize(path), 0);
        char buf[4];
        EXPECT_EQ(GRIB_LoadInto(path, buf, 4), nullptr);
    }
    EXPECT_EQ(Enumerate("empty.txt"), (Lines{"0 01 0 empty.txt"}));
}

TEST_F(MergedTest, LoadFileAndLoadInto) {
    WriteArchive("w.grb", {{"palettes\\palette.pal", Bytes("PALETTE!")}});
    Mount("w.grb");
    uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    int32_t length = 0;
    void* block = GRIB_LoadFile("palettes\\palette.pal", &length);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(length, 8);
    EXPECT_STREQ(GRIB_BlockTag(block), "palette.pal");
    EXPECT_EQ(std::memcmp(block, "PALETTE!", 8), 0);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before + 8);
    GRIB_Free(block);
    block = GRIB_LoadFile("palettes\\palette.pal");  // no out-length
    EXPECT_NE(block, nullptr);
    GRIB_Free(block);
    EXPECT_EQ(GRIB_LoadFile("missing", &length), nullptr);
    EXPECT_EQ(length, -1);

    char small[4], big[16];
    EXPECT_EQ(GRIB_LoadInto("palettes\\palette.pal", small, 4), nullptr);
    EXPECT_EQ(GRIB_LoadInto("palettes\\palette.pal", big, 16), big);
    EXPECT_EQ(std::memcmp(big, "PALETTE!", 8), 0);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
}

TEST_F(MergedTest, AppendCreatesDiskFilesAndArchiveFilesRefuseWrites) {
    WriteArchive("r.grb", {{"gamedata\\showcase.tdf", Bytes("[RESOURCES]{}")}, {"top.txt", Bytes("top")}});
    Mount("r.grb");
    FileHandle* h = GRIB_OpenAppend("new.pal");
    ASSERT_NE(h, nullptr);
    EXPECT_NE(h->stream, nullptr);
    EXPECT_EQ(GRIB_Write(h, "abcd", 4), 4);
    EXPECT_EQ(GRIB_Length(h), 4);
    EXPECT_EQ(GRIB_Close(h), 0);
    EXPECT_EQ(testsupport::ReadText(dir_.path() / "new.pal"), "abcd");
    // Appends to what is there.
    h = GRIB_OpenAppend("NEW.PAL");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GRIB_Write(h, "ef", 2), 2);
    GRIB_Close(h);
    EXPECT_EQ(ReadAll("new.pal"), "abcdef");
#ifndef _WIN32  // Windows folds case itself
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "NEW.PAL"));
#endif

    // No disk folder to create it in: the archive copy is opened, read-only.
    h = GRIB_OpenAppend("gamedata\\showcase.tdf");
    ASSERT_NE(h, nullptr);
    EXPECT_NE(h->archive, nullptr);
    EXPECT_EQ(GRIB_Write(h, "x", 1), -1);
    GRIB_Close(h);
    EXPECT_EQ(ReadAll("gamedata\\showcase.tdf"), "[RESOURCES]{}");

    // Absolute paths go to the disk as given.
    std::string abs = (dir_.path() / "abs.tmp").string();
    h = GRIB_OpenAppend(abs.c_str());
    ASSERT_NE(h, nullptr);
    GRIB_Write(h, "1", 1);
    GRIB_Close(h);
    EXPECT_EQ(ReadAll(abs.c_str()), "1");
}

TEST_F(MergedTest, FailuresLeaveNothingAllocated) {
    WriteArchive("m.grb", {{"a", Bytes("a")}});
    dir_.write("bad.grb", "GRIB");
    uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    EXPECT_EQ(GRIB_MountArchive("bad.grb", 0), 0);
    EXPECT_EQ(GRIB_GetEnvironment()->mountCount, 0);
    EXPECT_EQ(GRIB_Open("nothing"), nullptr);
    FindData d;
    EXPECT_EQ(GRIB_FindFirst("nothing*", &d), -1);
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(GRIB_FindNext(-1, &d), -1);
    EXPECT_EQ(GRIB_FindNext(0, &d), -1);
    EXPECT_EQ(GRIB_FindClose(-1), -1);
    EXPECT_EQ(GRIB_Close(nullptr), -1);
    EXPECT_EQ(GRIB_Read(nullptr, &d, 1), 0);
    Mount("m.grb");
    GRIB_ResetMounts();
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_EQ(GRIB_GetEnvironment()->mounts, nullptr);
}

TEST_F(MergedTest, OverlongPathsAreRejected) {
    std::string name255(250, 'n');
    name255 = "d\\" + name255 + ".txt";  // 257 characters
    std::string name = std::string(200, 'n');
    WriteArchive("long.grb", {{"d\\" + name, Bytes("ok")}, {"x\\" + std::string(240, 'y') + "\\" + std::string(30, 'z'), Bytes("deep")}});
    Mount("long.grb");
    EXPECT_EQ(ReadAll(("d\\" + name).c_str()), "ok");
    EXPECT_EQ(GRIB_Open(name255.c_str()), nullptr);
    std::string longPattern(300, '*');
    FindData d;
    EXPECT_EQ(GRIB_FindFirst(longPattern.c_str(), &d), -1);
    int32_t length = 0;
    EXPECT_EQ(GRIB_LoadFile(longPattern.c_str(), &length), nullptr);
    EXPECT_EQ(GRIB_MountArchive(longPattern.c_str(), 0), 0);
    // The shadow walk skips what doesn't fit and still finishes.
    EXPECT_EQ(GRIB_RefreshShadows(), 0);
}

}  // namespace
