// The grib archive and grib vfs commands, through the built tool.
#include <algorithm>
#include <filesystem>

#include "tests/vfs/vfs_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadText;
using testsupport::RunGrib;
using testsupport::TempDir;

// A small tree with nested folders, an empty file, an empty folder and
// binary bytes.
void MakeTree(const TempDir& t) {
    std::string binary;
    for (int i = 0; i < 700; ++i) binary += char(i * 7 % 256);
    t.write("src/units/ARMTANK.FBI", "[UNITINFO]\n{\n}\n");
    t.write("src/units/cortank.fbi", "core");
    t.write("src/scripts/armtank.cob", binary);
    t.write("src/readme", "");
    t.write("src/b.txt", "bee");
    fs::create_directories(t.path() / "src/empty");
}

TEST(ArchiveCli, PackListCatExtractRoundTrip) {
    TempDir t;
    MakeTree(t);
    const std::string expectList =
        "f 3 b.txt\n"
        "d empty\n"
        "f 0 readme\n"
        "d scripts\n"
        "f 700 scripts\\armtank.cob\n"
        "d units\n"
        "f 15 units\\ARMTANK.FBI\n"
        "f 4 units\\cortank.fbi\n";
    for (int key : {0, 1, 0x55, 0x80, 0xFF}) {
        SCOPED_TRACE(key);
        std::string out = (t.path() / ("k" + std::to_string(key) + ".grb")).string();
        auto r = RunGrib({"archive", "pack", out, (t.path() / "src").string(), "--key", std::to_string(key)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(testsupport::ReadBytes(out)[12], key);
        r = RunGrib({"archive", "list", out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expectList);
        r = RunGrib({"archive", "cat", out, "scripts\\ARMTANK.COB"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, ReadText(t.path() / "src/scripts/armtank.cob"));
        r = RunGrib({"archive", "cat", out, "units/ARMTANK.fbi"});
        EXPECT_EQ(r.out, "[UNITINFO]\n{\n}\n");
        r = RunGrib({"archive", "cat", out, "readme"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        r = RunGrib({"archive", "cat", out, "units\\nothing"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");

        std::string dest = (t.path() / ("x" + std::to_string(key))).string();
        r = RunGrib({"archive", "extract", out, dest});
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* f : {"units/ARMTANK.FBI", "units/cortank.fbi", "scripts/armtank.cob", "readme", "b.txt"})
            EXPECT_EQ(ReadText(fs::path(dest) / f), ReadText(t.path() / "src" / f)) << f;
        EXPECT_TRUE(fs::is_directory(fs::path(dest) / "empty"));
    }
    // The default key is 0 and a packed folder can be read back by the
    // file system.
    std::string plain = (t.path() / "plain.grb").string();
    ASSERT_EQ(RunGrib({"archive", "pack", plain, (t.path() / "src").string()}).status, 0);
    EXPECT_EQ(testsupport::ReadBytes(plain)[12], 0);
}

TEST(ArchiveCli, BadInputAndHelp) {
    TempDir t;
    t.write("bad.grb", "GRIB\0\0\1\0 not really");
    auto r = RunGrib({"archive", "list", (t.path() / "bad.grb").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "grib: " + (t.path() / "bad.grb").string() + ": not a valid archive\n");
    r = RunGrib({"archive", "list", (t.path() / "none.grb").string()});
    EXPECT_EQ(r.status, 1);
    r = RunGrib({"archive", "cat", (t.path() / "bad.grb").string(), "x"});
    EXPECT_EQ(r.status, 2);
    r = RunGrib({"archive", "pack", (t.path() / "o.grb").string(), t.str(), "--key", "256"});
    EXPECT_EQ(r.status, 2);
    r = RunGrib({"archive", "pack", (t.path() / "o.grb").string(), (t.path() / "missing").string()});
    EXPECT_EQ(r.status, 1);
    r = RunGrib({"archive", "frobnicate"});
    EXPECT_EQ(r.status, 2);
    for (const char* group : {"archive", "vfs"}) {
        r = RunGrib({group, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("usage: grib "), std::string::npos);
    }
}

TEST(ArchiveCli, ExtractNeverLeavesTheTarget) {
    for (const char* evil : {"..", ".", "", "C:evil", "a/b", "sub\\..\\..\\up", "/abs"}) {
        SCOPED_TRACE(evil);
        TempDir t;
        KitArchiveTree tree;
        tree.nodes.resize(2);
        tree.nodes[0].entries = {{"ok.txt", false, 0, Bytes("fine"), 0}, {"d", true, 1, {}, 0}};
        tree.nodes[1].entries = {{evil, false, 0, Bytes("escaped"), 0}};
        t.write("evil.grb", KitBuildTree(tree, {}));
        fs::create_directories(t.path() / "out/inner");
        auto r = RunGrib({"archive", "extract", (t.path() / "evil.grb").string(), (t.path() / "out/inner").string()});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find("unsafe name"), std::string::npos);
        // The archive and the one safe file, nothing else.
        size_t files = 0;
        for (auto& e : fs::recursive_directory_iterator(t.path())) files += e.is_regular_file();
        EXPECT_EQ(files, 2u);
    }
    // Through a link planted in the target folder.
    TempDir t;
    fs::create_directories(t.path() / "out");
    fs::create_directories(t.path() / "elsewhere");
    fs::create_directory_symlink(t.path() / "elsewhere", t.path() / "out/d");
    t.write("a.grb", KitBuildArchive({{"d\\x.txt", Bytes("x")}}, 0));
    auto r = RunGrib({"archive", "extract", (t.path() / "a.grb").string(), (t.path() / "out").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(t.path() / "elsewhere/x.txt"));
}

TEST(VfsCli, LsAndCatInTheViewersOrder) {
    TempDir t;
    t.write("Varnho.GRB", KitBuildArchive({{"units\\armtank.fbi", Bytes("game tank")},
                                            {"units\\corak.fbi", Bytes("game ak")},
                                            {"units\\armjeep.fbi", Bytes("game jeep")}},
                                           0x3C));
    t.write("Extra.grb", KitBuildArchive({{"units\\armtank.fbi", Bytes("addon")}}, 0x01));
    t.write("units/corak.fbi", "loose");
    auto r = RunGrib({"vfs", "ls", "units\\*.fbi", "-C", t.str()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "disk 20 5 corak.fbi\n"
              "Extra.grb 01 5 armtank.fbi\n"
              "Varnho.GRB 01 9 armjeep.fbi\n");
    r = RunGrib({"vfs", "ls", "UNITS/ARM*", "-C", t.str()});
    EXPECT_EQ(r.out, "Extra.grb 01 5 armtank.fbi\nVarnho.GRB 01 9 armjeep.fbi\n");
    r = RunGrib({"vfs", "ls", "*.nothing", "-C", t.str()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");

    r = RunGrib({"vfs", "cat", "units\\armtank.fbi"}, t.str());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "addon");
    r = RunGrib({"vfs", "cat", "-C", t.str(), "units/CORAK.FBI"});
    EXPECT_EQ(r.out, "loose");
    r = RunGrib({"vfs", "cat", "units\\armjeep.fbi", "-C", t.str()});
    EXPECT_EQ(r.out, "game jeep");
    r = RunGrib({"vfs", "cat", "units\\none.fbi", "-C", t.str()});
    EXPECT_EQ(r.status, 1);
    r = RunGrib({"vfs", "cat", "x", "-C", (t.path() / "nowhere").string()});
    EXPECT_EQ(r.status, 1);
    r = RunGrib({"vfs", "ls"});
    EXPECT_EQ(r.status, 2);
}

}  // namespace
