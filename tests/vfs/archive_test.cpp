// The archive format: layout, key and transform, and every check an archive
// must pass before it is mounted.
#include "tests/vfs/vfs_fixture.h"

namespace {

const std::string kTrailer = "Copyright 0000 Quilfen Entertainment";

class ArchiveTest : public VfsTest {
protected:
    // The single-file example archive, plain: 90 bytes.
    static std::vector<uint8_t> Example() { return KitBuildArchive({{"a.txt", Bytes("abc")}}, 0); }
    bool Mounts(const std::vector<uint8_t>& image) {
        WriteImage("t.grb", image);
        OPENGRIBFILE* a = GRIB_OpenArchive("t.grb", 0);
        GRIB_CloseArchive(a);
        return a != nullptr;
    }
};

TEST_F(ArchiveTest, WorkedExampleIsByteExact) {
    std::vector<uint8_t> expect = {'G', 'R', 'I', 'B', 0, 0, 1, 0, 51, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,
                                   1, 0, 0, 0, 28, 0, 0, 0, 37, 0, 0, 0, 43, 0, 0, 0, 0,  // node at 20, entry at 28
                                   'a', '.', 't', 'x', 't', 0, 51, 0, 0, 0, 3, 0, 0, 0,   // name, file info
                                   'a', 'b', 'c'};
    expect.reserve(90);  // keeps gcc's bounds warning quiet about the append
    for (char c : kTrailer) expect.push_back(uint8_t(c));
    EXPECT_EQ(Example(), expect);
    std::vector<uint8_t> rekeyed = Example();
    KitRekeyImage(rekeyed, 0x55);
    EXPECT_EQ(rekeyed, KitBuildArchive({{"a.txt", Bytes("abc")}}, 0x55));
    WriteImage("example.grb", expect);
    Mount("example.grb");
    EXPECT_EQ(ReadAll("a.txt"), "abc");
    EXPECT_EQ(GRIB_FileSize("a.txt"), 3);
}

TEST_F(ArchiveTest, KeyDerivationAndTheTransform) {
    for (auto [header, working] : {std::pair{0x00, 0x00}, {0xFF, 0x00}, {0x01, 0xFB}, {0x80, 0xFD}, {0x55, 0xAA}})
        EXPECT_EQ(GRIB_DeriveKey(uint8_t(header)), working) << header;
    for (int k = 0; k < 256; ++k) EXPECT_EQ(GRIB_DeriveKey(uint8_t(k)), KitWorkingKey(uint8_t(k))) << k;
    uint8_t b = 0x46;  // 'a' at offset 0x123 under working key 0xFB: NOT(0x61) ^ 0x23 ^ 0xFB
    GRIB_Unscramble(&b, 1, 0xFB, 0x123);
    EXPECT_EQ(b, 0x61);
    std::vector<uint8_t> plain(600), stored(600);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = stored[i] = uint8_t(i * 7);
    KitScramble(stored.data(), stored.size(), 0x37, 0xFFFFFF01u);
    GRIB_Unscramble(stored.data(), int32_t(stored.size()), 0x37, 0xFFFFFF01u);
    EXPECT_EQ(stored, plain) << "offsets wrap at 32 bits";
    std::vector<uint8_t> zero = KitBuildArchive({{"d\\x.bin", Bytes("xyz")}}, 0x00);
    zero[12] = 0xFF;
    EXPECT_EQ(zero, KitBuildArchive({{"d\\x.bin", Bytes("xyz")}}, 0xFF)) << "header keys 0 and 0xFF are both plain";
}

struct Damage {
    std::vector<std::pair<size_t, uint32_t>> patches;  // 32-bit little-endian values written over the example
    bool mounts;
};

const Damage kDamage[] = {
    {{{0, 0x42495267}}, false}, {{{4, 0x00020000}}, false}, {{{4, 1}}, false}, {{{4, 0x100}}, false},  // id, version
    {{{12, 0xFF001200}}, true},  // bytes 13-15 of the key field are not read
    {{{64, 0xFF395A01}}, true},  // any four characters in place of "0000"
    {{{8, 0}}, false}, {{{8, 19}}, false}, {{{8, 20}}, false}, {{{8, 91}}, false}, {{{8, 0xFFFFFFFF}}, false},
    {{{8, 90}}, true},  // the directory may be the whole file
    {{{16, 44}}, false}, {{{16, 51}}, false}, {{{16, 0xFFFFFFF8}}, false},        // root node outside or cut
    {{{20, 3}}, false}, {{{20, 0x7FFFFFFF}}, false}, {{{20, 0xFFFFFFFF}}, true},  // a negative count is empty
    {{{24, 43}}, false}, {{{24, 0xFFFFFFFC}}, false}, {{{28, 51}}, false}, {{{28, 0xFFFFFFFF}}, false},  // entry, name
    {{{32, 44}}, false}, {{{32, 0xFFFFFFFE}}, false},                          // file info cut by the end
    {{{32, 0}, {8, 43}}, true}, {{{32, 0}, {8, 42}}, false},                   // the name's 0 byte cut off
};

TEST_F(ArchiveTest, HeaderDirectoryAndTrailerChecks) {
    for (size_t i = 0; i < std::size(kDamage); ++i) {
        std::vector<uint8_t> img = Example();
        for (auto [at, value] : kDamage[i].patches) KitPut32(img, at, value);
        EXPECT_EQ(Mounts(img), kDamage[i].mounts) << "row " << i;
    }
    for (size_t i = 0; i < kTrailer.size(); ++i) {
        std::vector<uint8_t> img = Example();
        img[54 + i] ^= 0x20;
        EXPECT_EQ(Mounts(img), i >= 10 && i < 14) << i;
    }
    std::vector<uint8_t> nul = Example();
    nul.push_back(0);
    EXPECT_FALSE(Mounts(nul));
    EXPECT_FALSE(Mounts(Bytes(kTrailer)));
    EXPECT_EQ(GRIB_MountArchive("missing.grb", 0), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir_.path() / "folder.grb"));
    EXPECT_EQ(GRIB_MountArchive("folder.grb", 0), 0);
    // Cut at every length.
    const std::vector<uint8_t> full = KitBuildArchive({{"units\\tank.fbi", Bytes("[U]{}")}, {"z\\y\\x", {}}}, 0x5A);
    const uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    for (size_t n = 0; n < full.size(); ++n) EXPECT_FALSE(Mounts({full.begin(), full.begin() + long(n)})) << n;
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_TRUE(Mounts(full));
}

TEST_F(ArchiveTest, CyclesAndSharedNodesAreRejected) {
    auto image = [](const std::vector<std::vector<KitArchiveEntry>>& nodes) { return KitBuildTree(Tree(nodes), {}); };
    EXPECT_FALSE(Mounts(image({{{"loop", true, 0, {}, 0}}})));
    EXPECT_FALSE(Mounts(image({{{"a", true, 1, {}, 0}}, {{"b", true, 2, {}, 0}}, {{"up", true, 0, {}, 0}}})));
    EXPECT_TRUE(Mounts(image({{{"a", true, 1, {}, 0}}, {{"b", true, 2, {}, 0}}, {{"f", false, 0, Bytes("x"), 0}}})));
    EXPECT_FALSE(Mounts(image({{{"one", true, 1, {}, 0}, {"two", true, 1, {}, 0}}, {}})));
    // An empty directory and a stored shadow bit that is not taken.
    WriteImage("e.grb", image({{{"empty", true, 1, {}, 0}, {"a.txt", false, 0, Bytes("A"), GRIB_ENTRY_SHADOWED}}, {}}));
    Mount("e.grb");
    EXPECT_EQ(GRIB_RefreshShadows(), 0);
    EXPECT_EQ((std::vector<Lines>{Enumerate("empty\\*"), Enumerate("empty"), Enumerate("a.txt")}),
              (std::vector<Lines>{{}, {"0 11 0 empty"}, {"0 01 1 a.txt"}}));
    EXPECT_EQ(ReadAll("empty\\x"), "<missing>");
    EXPECT_EQ(GRIB_Open("empty"), nullptr) << "a directory is not a file";
}

}  // namespace
