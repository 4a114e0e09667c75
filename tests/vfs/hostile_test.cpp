// Archives from strangers: names that would leave the archive's tree or the
// extract folder, lengths that run past the file, and paths from the game's
// data that would leave the game folder.
#include <filesystem>

#include "tests/vfs/vfs_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunGrib;
using HostileTest = VfsTest;

size_t FilesBelow(const fs::path& dir) {
    size_t n = 0;
    for (auto& e : fs::recursive_directory_iterator(dir)) n += e.is_regular_file();
    return n;
}

// Seen in the wild: an empty file name and a directory named "\" holding a
// file that claims 3,915,245,825 bytes.
TEST_F(HostileTest, TheArchiveFoundInTheWildIsReadInsideItsFolder) {
    WriteImage("found.grb", testsupport::ReadBytes(SHOWCASE_SOURCE_DIR "/tests/fuzz/corpus/archive/hostile-names.grb"));
    Mount("found.grb");
    EXPECT_EQ(GRIB_RefreshShadows(), 0);
    EXPECT_EQ(Enumerate("*"), (Lines{"-1 10 0 .", "-1 10 0 ..", "-1 20 194 found.grb", "0 11 0 units"}));
    EXPECT_EQ(ReadAll("\\armtank.cob"), "<missing>");
    auto list = RunGrib({"archive", "list", "found.grb"}, dir_.str());
    EXPECT_EQ(std::to_string(list.status) + " " + list.out + list.err,
              "0 d units\ngrib: found.grb: skipped unsafe name ''\ngrib: found.grb: skipped unsafe name '\\'\n");
}

TEST_F(HostileTest, NamesThatAreNotOneComponentAreLeftOutWithWhatTheyHold) {
    KitArchiveTree tree = Tree({{{"ok", true, 1, {}, 0}}, {{"x", false, 0, Bytes("x"), 0}}});
    for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:x", "\\"}) {
        tree.nodes[0].entries.push_back({name, false, 0, Bytes("file"), 0});
        tree.nodes[0].entries.push_back({name, true, 1, {}, 0});
    }
    WriteImage("names.grb", KitBuildTree(tree, {}));
    Mount("names.grb");
    EXPECT_EQ(GRIB_RefreshShadows(), 0);
    EXPECT_EQ(Enumerate("*"), (Lines{"-1 10 0 .", "-1 10 0 ..", "-1 20 " + std::to_string(fs::file_size("names.grb")) +
                                     " names.grb", "0 11 0 ok"}));
    EXPECT_EQ(Enumerate("ok\\*"), Lines{"0 01 1 x"});
    EXPECT_EQ(GRIB_GetEnvironment()->mounts[0]->directory->skippedCount, 14);
}

TEST_F(HostileTest, ExtractNeverLeavesTheTarget) {
    for (const char* evil : {"..", ".", "", "C:evil", "a/b", "sub\\..\\..\\up", "/abs"}) {
        dir_.write("evil.grb", KitBuildTree(Tree({{{"ok.txt", false, 0, Bytes("fine"), 0}, {"d", true, 1, {}, 0}},
                                                  {{evil, false, 0, Bytes("escaped"), 0}}}), {}));
        fs::create_directories(dir_.path() / "out/inner");
        auto r = RunGrib({"archive", "extract", "evil.grb", "out/inner"}, dir_.str());
        EXPECT_EQ(r.status, 0) << evil;
        EXPECT_NE(r.err.find("unsafe name"), std::string::npos) << evil;
        EXPECT_EQ(FilesBelow(dir_.path()), 2u) << evil << ": the archive and its one safe file";
    }
#ifndef _WIN32  // links need rights a Windows user lacks
    // Through a link planted in the target folder.
    fs::create_directories(dir_.path() / "elsewhere");
    fs::create_directory_symlink(dir_.path() / "elsewhere", dir_.path() / "out/d");
    dir_.write("a.grb", KitBuildArchive({{"d\\x.txt", Bytes("x")}}, 0));
    EXPECT_EQ(RunGrib({"archive", "extract", "a.grb", "out"}, dir_.str()).status, 2);
    EXPECT_FALSE(fs::exists(dir_.path() / "elsewhere/x.txt"));
#endif
}

TEST_F(HostileTest, DataPastTheEndYieldsOnlyTheBytesTheArchiveHolds) {
    KitArchiveLayout layout;
    std::vector<uint8_t> image = KitBuildTree(Tree({{{"far", false, 0, Bytes("xyz"), 0},
                                                     {"long", false, 0, Bytes("abcdef"), 0}}}), {}, &layout);
    KitPut32(image, layout.infoOffsets[0][0], 100000);
    KitPut32(image, layout.infoOffsets[0][1] + 4, 3915245825u);  // beyond two gigabytes
    WriteImage("long.grb", image);
    Mount("long.grb");
    FileHandle* h = GRIB_Open("long");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GRIB_Length(h), int32_t(image.size() - layout.dataOffsets[0][1]));
    GRIB_Close(h);
    int32_t length = 0;
    void* block = GRIB_LoadFile("long", &length);
    const std::string trailer(image.end() - 36, image.end());
    EXPECT_EQ(std::string(static_cast<char*>(block), size_t(length)), "abcdef" + trailer);
    EXPECT_EQ(GRIB_BlockSize(block), size_t(length));
    GRIB_Free(block);
    EXPECT_TRUE(GRIB_LoadFile("far", &length) == nullptr && length == -1);
    EXPECT_EQ(ReadAll("far"), "");
}

TEST(GamePath, RelativePathsThatNeverClimbOutAreGamePaths) {
    const std::pair<const char*, int> rows[] = {
        {"units\\ARMTANK.fbi", 1}, {"objects3d\\sub\\..\\tank.3do", 1}, {".\\a", 1}, {"a/b", 1},
        {"", 0}, {"..\\a", 0}, {"sounds\\..\\..\\x.wav", 0}, {"a\\.\\..\\..", 0}, {"a/../../b", 0},
        {"\\etc\\passwd", 0}, {"/etc/passwd", 0}, {"C:\\x", 0}, {"c:x", 0}, {"a\\b:c", 0},
    };
    for (auto [path, game] : rows) EXPECT_EQ(GRIB_IsGamePath(path), game) << path;
}

}  // namespace
