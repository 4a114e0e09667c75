#include <gtest/gtest.h>

#include "grib/env/env.h"
#include "grib/vfs/vfs.h"
#include "kit/image/gaf_writer.h"
#include "tests/image/image_support.h"
#include "tests/support/support.h"

namespace {

using testsupport::ScopedCwd;
using testsupport::TempDir;

KitGafImage Tile(uint8_t value) {
    KitGafImage image;
    image.width = 2;
    image.height = 2;
    image.pixels.assign(4, value);
    return image;
}

KitGafEntry Entry(const std::string& name, bool loop, std::vector<std::pair<uint8_t, uint16_t>> frames) {
    KitGafEntry e;
    e.name = name;
    e.loop = loop;
    for (auto [value, duration] : frames) e.frames.push_back({Tile(value), duration});
    return e;
}

// The value the current frame of a texture shows, or -1 without a frame.
int Shown(const char* name) {
    const GribImage* image = GRIB_FindTexture(name);
    return image ? image->data[0] : -1;
}

class Textures : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartGrib();
        GRIB_FreeTextures();
    }
    void TearDown() override { GRIB_FreeTextures(); }
};

TEST_F(Textures, ASetNamesItsEntriesAndStartsThemAtFrameZero) {
    TempDir dir;
    dir.write("textures/Metal.Walls.gaf",
              KitWriteGAF({Entry("Plate", true, {{3, 1}, {4, 1}}), Entry("Empty", true, {}), Entry("Rust", false, {{8, 2}})}));
    ScopedCwd cwd(dir.path());
    TextureSet* set = GRIB_LoadTextureSet("textures\\Metal.Walls.gaf");
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->name, "Metal.Walls");
    ASSERT_EQ(set->entryCount, 3);
    EXPECT_STREQ(set->entryNames[0], "Plate");
    EXPECT_STREQ(set->entryNames[2], "Rust");
    ASSERT_NE(set->currentFrames[0], nullptr);
    EXPECT_EQ(set->currentFrames[0]->data[0], 3);
    EXPECT_EQ(set->currentFrames[1], nullptr) << "an entry without frames shows nothing";
    EXPECT_EQ(set->currentFrames[2]->data[0], 8);
    EXPECT_EQ(GRIB_SequenceDuration(&set->cursors[2]), 2);
    EXPECT_EQ(GRIB_LoadTextureSet("textures\\none.gaf"), nullptr);
    dir.write("textures/empty.gaf", KitWriteGAF({}));
    TextureSet* empty = GRIB_LoadTextureSet("textures\\empty.gaf");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->entryCount, 0);
    EXPECT_STREQ(empty->name, "empty");
    // Not part of the texture list: only GRIB_LoadTextures adds sets.
    EXPECT_EQ(GRIB_FindTexture("Plate"), nullptr);
    for (TextureSet* s : {set, empty}) {
        GRIB_FreeGAF(s->gaf);
        delete[] s->cursors;
        delete[] s->currentFrames;
        delete[] s->entryNames;
        delete s;
    }
}

TEST_F(Textures, LaterSetsWinANameAndDamagedFilesAreSkipped) {
    TempDir dir;
    dir.write("textures/a.gaf", KitWriteGAF({Entry("Metal", true, {{1, 1}}), Entry("OnlyA", true, {{2, 1}})}));
    dir.write("textures/B.GAF", KitWriteGAF({Entry("METAL", true, {{5, 1}}), Entry("twice", true, {{6, 1}}),
                                             Entry("Twice", true, {{7, 1}})}));
    std::vector<uint8_t> broken = KitWriteGAF({Entry("Metal", true, {{9, 1}})});
    broken.resize(broken.size() - 1);
    dir.write("textures/c.gaf", broken);
    dir.write("textures/notes.txt", "not a texture");
    ScopedCwd cwd(dir.path());
    GRIB_LoadTextures("textures\\");

    EXPECT_EQ(Shown("metal"), 5) << "B.GAF is loaded after a.gaf";
    EXPECT_EQ(Shown("onlya"), 2);
    EXPECT_EQ(Shown("TWICE"), 7) << "within a set the last entry wins";
    EXPECT_EQ(Shown("nothing"), -1);
    EXPECT_EQ(GRIB_FindTexture(nullptr), nullptr);
    ASSERT_NE(GRIB_FindTextureSet("A"), nullptr);
    EXPECT_STREQ(GRIB_FindTextureSet("b")->name, "B");
    EXPECT_EQ(GRIB_FindTextureSet("c"), nullptr);
    EXPECT_EQ(GRIB_FindTextureSet("notes"), nullptr);

    // A second directory loaded later wins over both.
    dir.write("more/z.gaf", KitWriteGAF({Entry("metal", true, {{11, 1}})}));
    GRIB_LoadTextures("more\\");
    EXPECT_EQ(Shown("Metal"), 11);
    GRIB_LoadTextures("missing\\");
    EXPECT_EQ(Shown("Metal"), 11);
}

TEST_F(Textures, AdvanceStepsEverySequence) {
    TempDir dir;
    dir.write("t/seq.gaf", KitWriteGAF({Entry("Once", false, {{1, 2}, {2, 2}, {3, 2}}),
                                        Entry("Loop", true, {{10, 1}, {11, 2}, {12, 3}}),
                                        Entry("Still", false, {{20, 1}})}));
    ScopedCwd cwd(dir.path());
    GRIB_LoadTextures("t\\");
    ASSERT_EQ(Shown("Once"), 1);

    GRIB_AdvanceTextures(1);
    EXPECT_EQ(Shown("Once"), 1);
    EXPECT_EQ(Shown("Loop"), 11);
    GRIB_AdvanceTextures(1);
    EXPECT_EQ(Shown("Once"), 2);
    EXPECT_EQ(Shown("Loop"), 11);
    // Loop: 1 tick left on frame 1; 7 more ticks pass frames 2, 0 and 1 in
    // one advance and land on frame 2.
    GRIB_AdvanceTextures(7);
    EXPECT_EQ(Shown("Once"), -1) << "a non-looping sequence ends after its last frame";
    EXPECT_EQ(Shown("Loop"), 12);
    EXPECT_EQ(Shown("Still"), 20) << "a single frame never moves";
    GRIB_AdvanceTextures(100);
    EXPECT_EQ(Shown("Once"), -1);
    EXPECT_EQ(Shown("Still"), 20);

    // A pause longer than the cursor's 16-bit time: looping goes on in
    // whole periods of 6 ticks.
    int before = Shown("Loop");
    GRIB_AdvanceTextures(6 * 20000);
    EXPECT_EQ(Shown("Loop"), before);
}

}  // namespace
