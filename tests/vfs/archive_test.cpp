// The archive format: layout, key and transform, and every check an archive
// must pass before it is mounted.
#include <cstring>

#include "tests/vfs/vfs_fixture.h"

namespace {

using testsupport::Rng;

const std::string kTrailer = "Copyright 0000 Quilfen Entertainment";

class ArchiveTest : public VfsTest {
protected:
    // The single-file example archive, plain.
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
                                   1, 0, 0, 0, 28, 0, 0, 0,               // root node at 20
                                   37, 0, 0, 0, 43, 0, 0, 0, 0,           // entry at 28
                                   'a', '.', 't', 'x', 't', 0,            // name at 37
                                   51, 0, 0, 0, 3, 0, 0, 0,               // file info at 43
                                   'a', 'b', 'c'};                        // data at 51
    expect.reserve(90);
    for (char c : kTrailer) expect.push_back(uint8_t(c));
    ASSERT_EQ(expect.size(), 90u);
    EXPECT_EQ(Example(), expect);

    WriteImage("example.grb", expect);
    Mount("example.grb");
    EXPECT_EQ(ReadAll("a.txt"), "abc");
    EXPECT_EQ(GRIB_FileSize("a.txt"), 3);
}

TEST_F(ArchiveTest, KeyDerivation) {
    EXPECT_EQ(GRIB_DeriveKey(0x00), 0x00);
    EXPECT_EQ(GRIB_DeriveKey(0xFF), 0x00);
    EXPECT_EQ(GRIB_DeriveKey(0x01), 0xFB);
    EXPECT_EQ(GRIB_DeriveKey(0x80), 0xFD);
    EXPECT_EQ(GRIB_DeriveKey(0x55), 0xAA);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(GRIB_DeriveKey(uint8_t(k)), KitWorkingKey(uint8_t(k))) << k;
}

TEST_F(ArchiveTest, UnscrambleKnownBytesAndPieces) {
    // 'a' at offset 0x123 under working key 0xFB: NOT(0x61) ^ 0x23 ^ 0xFB.
    uint8_t b = 0x46;
    GRIB_Unscramble(&b, 1, 0xFB, 0x123);
    EXPECT_EQ(b, 0x61);
    uint8_t same = 0x46;
    GRIB_Unscramble(&same, 1, 0, 0x123);
    EXPECT_EQ(same, 0x46);

    Rng rng(7);
    std::vector<uint8_t> plain(1000);
    for (auto& v : plain) v = uint8_t(rng.next());
    for (uint8_t key : {uint8_t(0x01), uint8_t(0x37), uint8_t(0xFB), uint8_t(0xFF)}) {
        for (uint32_t base : {0u, 1u, 255u, 257u, 0xFFFFFF01u}) {
            std::vector<uint8_t> stored = plain;
            KitScramble(stored.data(), stored.size(), key, base);
            if (key) {
                EXPECT_NE(stored, plain);
            }
            // In pieces of odd sizes, each with its own first offset.
            size_t at = 0, piece = 1;
            while (at < stored.size()) {
                size_t n = std::min(piece, stored.size() - at);
                GRIB_Unscramble(stored.data() + at, int32_t(n), key, base + uint32_t(at));
                at += n;
                piece = piece * 3 + 2;
            }
            EXPECT_EQ(stored, plain) << int(key) << " " << base;
        }
    }
}

TEST_F(ArchiveTest, HeaderKeysZeroAndFFArePlain) {
    std::vector<KitArchiveFile> files = {{"d\\x.bin", Bytes("xyz")}, {"b.txt", Bytes("bee")}};
    std::vector<uint8_t> zero = KitBuildArchive(files, 0x00);
    std::vector<uint8_t> ff = KitBuildArchive(files, 0xFF);
    zero[12] = 0xFF;
    EXPECT_EQ(zero, ff);
    WriteImage("ff.grb", ff);
    Mount("ff.grb");
    EXPECT_EQ(ReadAll("D\\X.BIN"), "xyz");
}

TEST_F(ArchiveTest, EveryKeyReadsTheSameBytesWholeOrOneByOne) {
    Rng rng(11);
    std::vector<uint8_t> big(5000);
    for (auto& v : big) v = uint8_t(rng.next());
    KitArchiveTree tree;
    tree.nodes.resize(2);
    tree.nodes[0].entries = {{"sub", true, 1, {}, 0}, {"big.bin", false, 0, big, 0}};
    tree.nodes[1].entries = {{"small.txt", false, 0, Bytes("hello, world"), 0}};
    for (int key : {0x00, 0x01, 0x55, 0x80, 0xA7, 0xFF}) {
        GRIB_ResetMounts();
        KitArchiveOptions opt;
        opt.headerKey = uint8_t(key);
        KitArchiveLayout layout;
        KitBuildTree(tree, opt, &layout);
        opt.dataGap = layout.directorySize % 2 ? 2 : 1;  // data at odd offsets
        std::vector<uint8_t> image = KitBuildTree(tree, opt, &layout);
        ASSERT_EQ(layout.dataOffsets[0][1] % 2, 1u);
        std::string name = "k" + std::to_string(key) + ".grb";
        WriteImage(name, image);
        Mount(name);
        std::string whole = ReadAll("big.bin", 1 << 20);
        EXPECT_EQ(whole, std::string(big.begin(), big.end())) << key;
        EXPECT_EQ(ReadAll("big.bin", 1), whole) << key;
        EXPECT_EQ(ReadAll("big.bin", 333), whole) << key;
        EXPECT_EQ(ReadAll("SUB\\Small.TXT", 1), "hello, world") << key;
    }
}

TEST_F(ArchiveTest, TrailerRules) {
    std::vector<uint8_t> good = Example();
    EXPECT_TRUE(Mounts(good));
    // Any four characters in place of "0000".
    std::vector<uint8_t> year = good;
    std::memcpy(&year[90 - 36 + 10], "\x01Z9\xFF", 4);
    EXPECT_TRUE(Mounts(year));
    // A difference anywhere else rejects it.
    for (size_t i = 0; i < 36; ++i) {
        if (i >= 10 && i < 14) continue;
        std::vector<uint8_t> bad = good;
        bad[90 - 36 + i] ^= 0x20;
        EXPECT_FALSE(Mounts(bad)) << i;
    }
    std::vector<uint8_t> nul = good;
    nul.push_back(0);
    EXPECT_FALSE(Mounts(nul));
    EXPECT_FALSE(Mounts(std::vector<uint8_t>(kTrailer.begin(), kTrailer.end())));
    EXPECT_FALSE(Mounts({}));
}

TEST_F(ArchiveTest, HeaderRules) {
    std::vector<uint8_t> good = Example();
    for (auto version : {std::vector<uint8_t>{0, 0, 2, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}}) {
        std::vector<uint8_t> bad = good;
        std::copy(version.begin(), version.end(), bad.begin() + 4);
        EXPECT_FALSE(Mounts(bad));
    }
    std::vector<uint8_t> magic = good;
    magic[0] = 'g';
    EXPECT_FALSE(Mounts(magic));
    // Bytes 13-15 of the key field are not read.
    std::vector<uint8_t> keyTail = good;
    keyTail[13] = 0x12;
    keyTail[15] = 0xFF;
    EXPECT_TRUE(Mounts(keyTail));
    EXPECT_EQ(GRIB_MountArchive("missing.grb", 0), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir_.path() / "folder.grb"));
    EXPECT_EQ(GRIB_MountArchive("folder.grb", 0), 0);
}

TEST_F(ArchiveTest, DirectoryBounds) {
    std::vector<uint8_t> good = Example();
    auto patched = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> img = good;
        KitPut32(img, at, v);
        return img;
    };
    // Directory size: below 20, beyond the file, exactly the file.
    for (uint32_t size : {0u, 19u, 91u, 0xFFFFFFFFu}) EXPECT_FALSE(Mounts(patched(8, size))) << size;
    EXPECT_TRUE(Mounts(patched(8, 90)));
    // Size 20 leaves no room for the root node.
    EXPECT_FALSE(Mounts(patched(8, 20)));
    // Root offset outside the block, or a node cut by its end.
    for (uint32_t root : {44u, 51u, 0xFFFFFFF8u}) EXPECT_FALSE(Mounts(patched(16, root))) << root;
    // Entry count past the block, or the entry array offset outside it.
    EXPECT_FALSE(Mounts(patched(20, 3)));
    EXPECT_FALSE(Mounts(patched(20, 0x7FFFFFFF)));
    EXPECT_FALSE(Mounts(patched(24, 43)));
    EXPECT_FALSE(Mounts(patched(24, 0xFFFFFFFC)));
    // Name offset outside; file-info record cut by the block's end.
    EXPECT_FALSE(Mounts(patched(28, 51)));
    EXPECT_FALSE(Mounts(patched(28, 0xFFFFFFFF)));
    EXPECT_FALSE(Mounts(patched(32, 44)));
    EXPECT_FALSE(Mounts(patched(32, 0xFFFFFFFE)));
    // A negative count is an empty root.
    std::vector<uint8_t> negative = patched(20, 0xFFFFFFFF);
    EXPECT_TRUE(Mounts(negative));
}

TEST_F(ArchiveTest, NameMustEndInsideTheBlock) {
    // Point the file info at the header so that the name can end the block.
    std::vector<uint8_t> img = Example();
    KitPut32(img, 32, 0);
    KitPut32(img, 8, 43);  // name and its 0 byte inside
    EXPECT_TRUE(Mounts(img));
    KitPut32(img, 8, 42);  // the 0 byte cut off
    EXPECT_FALSE(Mounts(img));
}

TEST_F(ArchiveTest, CyclesAndSharedNodesAreRejected) {
    KitArchiveTree self;
    self.nodes.resize(1);
    self.nodes[0].entries = {{"loop", true, 0, {}, 0}};
    EXPECT_FALSE(Mounts(KitBuildTree(self, {})));

    KitArchiveTree back;
    back.nodes.resize(3);
    back.nodes[0].entries = {{"a", true, 1, {}, 0}};
    back.nodes[1].entries = {{"b", true, 2, {}, 0}};
    back.nodes[2].entries = {{"up", true, 0, {}, 0}, {"f", false, 0, Bytes("x"), 0}};
    EXPECT_FALSE(Mounts(KitBuildTree(back, {})));
    back.nodes[2].entries.erase(back.nodes[2].entries.begin());
    EXPECT_TRUE(Mounts(KitBuildTree(back, {})));

    KitArchiveTree shared;
    shared.nodes.resize(2);
    shared.nodes[0].entries = {{"one", true, 1, {}, 0}, {"two", true, 1, {}, 0}};
    EXPECT_FALSE(Mounts(KitBuildTree(shared, {})));
}

TEST_F(ArchiveTest, EmptyDirectoryFindsNothing) {
    KitArchiveTree tree;
    tree.nodes.resize(2);
    tree.nodes[0].entries = {{"empty", true, 1, {}, 0}};
    WriteImage("e.grb", KitBuildTree(tree, {}));
    Mount("e.grb");
    EXPECT_TRUE(Enumerate("empty\\*").empty());
    EXPECT_EQ(ReadAll("empty\\x"), "<missing>");
    EXPECT_EQ(Enumerate("empty"), std::vector<std::string>{"0 11 0 empty"});
    // A directory is not a file.
    EXPECT_EQ(GRIB_Open("empty"), nullptr);
}

TEST_F(ArchiveTest, StoredShadowBitIsIgnored) {
    KitArchiveTree tree;
    tree.nodes.resize(1);
    tree.nodes[0].entries = {{"a.txt", false, 0, Bytes("A"), GRIB_ENTRY_SHADOWED}};
    WriteImage("s.grb", KitBuildTree(tree, {}));
    Mount("s.grb");
    EXPECT_EQ(Enumerate("a.txt"), std::vector<std::string>{"0 01 1 a.txt"});
}

TEST_F(ArchiveTest, DataPastTheEndYieldsOnlyExistingBytes) {
    // Data offset 80 with a stored length of 100 in a 90-byte file.
    std::vector<uint8_t> img = Example();
    KitPut32(img, 43, 80);
    KitPut32(img, 47, 100);
    WriteImage("p.grb", img);
    // Offset far beyond the end.
    std::vector<uint8_t> plainFar = KitBuildArchive({{"b.txt", Bytes("abc")}}, 0);
    KitPut32(plainFar, 43, 100000);
    KitRekeyImage(plainFar, 0x33);
    WriteImage("q.grb", plainFar);
    Mount("p.grb");
    Mount("q.grb");

    FileHandle* h = GRIB_Open("a.txt");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GRIB_Length(h), 10);  // what the archive holds
    char buf[200];
    EXPECT_EQ(GRIB_Read(h, buf, 200), 10);
    EXPECT_EQ(std::string(buf, 10), kTrailer.substr(26));
    EXPECT_EQ(GRIB_Read(h, buf, 200), 0);
    GRIB_Close(h);

    int32_t length = 0;
    void* block = GRIB_LoadFile("a.txt", &length);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(length, 10);
    EXPECT_EQ(GRIB_BlockSize(block), 10u);
    GRIB_Free(block);

    EXPECT_EQ(GRIB_LoadFile("b.txt", &length), nullptr);
    EXPECT_EQ(length, -1);
    EXPECT_EQ(ReadAll("b.txt"), "");
}

// Walks every entry of every mounted archive and reads every file.
void Exercise() {
    GribEnvironment* env = GRIB_GetEnvironment();
    for (int32_t m = 0; m < env->mountCount; ++m) {
        OPENGRIBFILE* a = env->mounts[m];
        for (int32_t i = 0; i < a->directory->entryCount; ++i) {
            GribEntry* e = &a->directory->entries[i];
            FileHandle* h = GRIB_OpenArchiveEntry(a, e);
            if (!h) continue;
            char buf[512];
            int guard = 0;
            while (GRIB_Read(h, buf, sizeof buf) > 0 && ++guard < 1000) {}
            GRIB_Close(h);
        }
    }
    GRIB_RefreshShadows();
    FindData d;
    intptr_t f = GRIB_FindFirst("*", &d);
    if (f != -1) {
        while (GRIB_FindNext(f, &d) == 0) {}
        GRIB_FindClose(f);
    }
}

TEST_F(ArchiveTest, TruncatedAtEveryLengthIsRejected) {
    std::vector<uint8_t> full = KitBuildArchive(
        {{"units\\tank.fbi", Bytes("[UNITINFO]{}")}, {"a.txt", Bytes("abc")}, {"z\\y\\x", {}}}, 0x5A);
    uint32_t before = GRIB_GetEnvironment()->allocatedBytes;
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        EXPECT_FALSE(Mounts(cut)) << n;
    }
    EXPECT_EQ(GRIB_GetEnvironment()->allocatedBytes, before);
    EXPECT_TRUE(Mounts(full));
}

TEST_F(ArchiveTest, RandomByteFlipsNeverCrash) {
    std::vector<uint8_t> full = KitBuildArchive({{"units\\tank.fbi", Bytes("[UNITINFO]{}")},
                                                 {"units\\core.fbi", Bytes("x")},
                                                 {"a.txt", Bytes("abc")},
                                                 {"z\\y\\x", Bytes("deep")}},
                                                0);
    Rng rng(2024);
    int accepted = 0;
    for (int round = 0; round < 800; ++round) {
        std::vector<uint8_t> img = full;
        int flips = 1 + int(rng.below(4));
        for (int i = 0; i < flips; ++i) {
            // Mostly inside the directory, where the damage matters.
            size_t at = rng.below(4) ? 8 + rng.below(KitGet32(full, 8) - 8) : rng.below(uint32_t(img.size()));
            img[at] = uint8_t(rng.next());
        }
        WriteImage("f.grb", img);
        if (GRIB_MountArchive("f.grb", round & 1)) {
            ++accepted;
            Exercise();
        }
        GRIB_ResetMounts();
    }
    EXPECT_GT(accepted, 0);
}

}  // namespace
