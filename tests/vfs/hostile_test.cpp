// Archives from strangers: names that would leave the archive's tree, data
// that runs past the file, and paths from the game's data that would leave
// the game folder.
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "tests/vfs/vfs_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunGrib;

// An archive seen in the wild: an empty file name and a directory named "\"
// holding a file that claims 3,915,245,825 bytes.
const char kFoundArchive[] =
    "R1JJQgAAAQC+AAAAVQAAABQAAABCQENCUUxPTj5IS0o6dHd2cTdzcn0rf355eTJ6ZWQbZmFgYgcAHBsXRxwTHhVndGR4MGdOHWlxd21rG6QF"
    "BAcGAQADAw0MD1EJCAtiNTQ3QjEwMzJcTlJKWFZQFEZLRSafICMiLMVyx8bBwKKwoLiuoN7C2N7V3cCW5JS59vr3aQUNA+/ruIjwhvdDb3B5"
    "cmlnaHQgMDAwMCBRdWlsZmVuIEVudGVydGFpbm1lbnQ=";

std::vector<uint8_t> Base64(const std::string& text) {
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = std::strchr(table, c);
        if (c == '=' || !at) break;
        bits = bits << 6 | uint32_t(at - table);
        if ((count += 6) >= 8) out.push_back(uint8_t(bits >> (count -= 8)));
    }
    return out;
}

// Every path the merged tree reports, walked as the shadow pass walks it.
std::set<std::string> WalkAll() {
    std::set<std::string> seen;
    std::function<void(const std::string&)> walk = [&](const std::string& prefix) {
        FindData d;
        intptr_t f = GRIB_FindFirst((prefix + "*").c_str(), &d);
        if (f == -1) return;
        do {
            if (!std::strcmp(d.name, ".") || !std::strcmp(d.name, "..")) continue;
            seen.insert(prefix + d.name);
            if (d.attributes & GRIB_ATTR_DIRECTORY) walk(prefix + d.name + "\\");
        } while (GRIB_FindNext(f, &d) == 0);
        GRIB_FindClose(f);
    };
    walk("");
    return seen;
}

size_t FilesBelow(const fs::path& dir) {
    size_t n = 0;
    for (auto& e : fs::recursive_directory_iterator(dir)) n += !e.is_directory();
    return n;
}

using HostileTest = VfsTest;

TEST_F(HostileTest, TheArchiveFoundInTheWildIsReadInsideItsFolder) {
    WriteImage("found.grb", Base64(kFoundArchive));
    Mount("found.grb");
    EXPECT_EQ(GRIB_RefreshShadows(), 0);
    EXPECT_EQ(WalkAll(), (std::set<std::string>{"found.grb", "units"}));
    EXPECT_EQ(ReadAll("\\armtank.cob"), "<missing>");

    auto list = RunGrib({"archive", "list", "found.grb"}, dir_.str());
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "d units\n");
    EXPECT_EQ(list.err, "grib: found.grb: skipped unsafe name ''\ngrib: found.grb: skipped unsafe name '\\'\n");
    auto extract = RunGrib({"archive", "extract", "found.grb", "out"}, dir_.str());
    EXPECT_EQ(extract.status, 0) << extract.err;
    EXPECT_TRUE(fs::is_directory(dir_.path() / "out/units"));
    EXPECT_EQ(FilesBelow(dir_.path()), 1u);  // the archive itself
}

TEST_F(HostileTest, NamesThatAreNotOneComponentAreLeftOutWithWhatTheyHold) {
    KitArchiveTree tree;
    tree.nodes.resize(2);
    tree.nodes[1].entries = {{"x", false, 0, Bytes("x"), 0}};
    for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:x", "\\"}) {
        tree.nodes[0].entries.push_back({name, false, 0, Bytes("file"), 0});
        tree.nodes[0].entries.push_back({name, true, 1, {}, 0});
    }
    tree.nodes[0].entries.push_back({"ok", true, 1, {}, 0});
    WriteImage("names.grb", KitBuildTree(tree, {}));
    Mount("names.grb");
    GRIB_RefreshShadows();
    EXPECT_EQ(WalkAll(), (std::set<std::string>{"names.grb", "ok", "ok\\x"}));
    EXPECT_EQ(GRIB_GetEnvironment()->mounts[0]->directory->skippedCount, 14);
}

TEST_F(HostileTest, ALengthBeyondTwoGigabytesIsCutToWhatTheArchiveHolds) {
    KitArchiveTree tree;
    tree.nodes.resize(1);
    tree.nodes[0].entries = {{"long", false, 0, Bytes("abcdef"), 0}};
    KitArchiveLayout layout;
    std::vector<uint8_t> image = KitBuildTree(tree, {}, &layout);
    KitPut32(image, layout.infoOffsets[0][0] + 4, 3915245825u);
    WriteImage("long.grb", image);
    Mount("long.grb");
    FileHandle* h = GRIB_Open("long");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GRIB_Length(h), int32_t(image.size() - layout.dataOffsets[0][0]));
    GRIB_Close(h);
    int32_t length = 0;
    void* block = GRIB_LoadFile("long", &length);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GRIB_BlockSize(block), size_t(length));
    EXPECT_EQ(std::string(static_cast<char*>(block), 6), "abcdef");
    GRIB_Free(block);
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
