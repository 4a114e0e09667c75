#include "grib/env/env.h"
#include "grib/image/textures.h"
#include "grib/vfs/vfs.h"
#include "tests/image/image_support.h"

namespace {

// Entries of 2 × 2 frames of one value each, with their durations.
KitGafEntry Entry(const std::string& name, bool loop, std::vector<std::pair<uint8_t, uint16_t>> frames) {
    KitGafEntry e{name, loop, {}};
    for (auto [value, duration] : frames) {
        KitGafImage image;
        image.width = image.height = 2;
        image.pixels.assign(4, value);
        e.frames.push_back({image, duration});
    }
    return e;
}

// The value the current frame of a texture shows, or -1 without a frame.
int Shown(const char* name) {
    const GribImage* image = GRIB_FindTexture(name);
    return image ? image->data[0] : -1;
}

class Textures : public imagetest::ImageTest {
protected:
    void SetUp() override {
        ImageTest::SetUp();
        GRIB_FreeTextures();
        cwd = std::make_unique<testsupport::ScopedCwd>(dir.path());
    }
    void TearDown() override { GRIB_FreeTextures(); }
    std::unique_ptr<testsupport::ScopedCwd> cwd;
};

TEST_F(Textures, ASetNamesItsEntriesAndStartsThemAtFrameZero) {
    dir.write("textures/Metal.Walls.gaf", KitWriteGAF({Entry("Plate", true, {{3, 1}, {4, 1}}), Entry("Empty", true, {}),
                                                       Entry("Rust", false, {{8, 2}})}));
    TextureSet* set = GRIB_LoadTextureSet("textures\\Metal.Walls.gaf");
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->name, "Metal.Walls");
    ASSERT_EQ(set->entryCount, 3);
    EXPECT_STREQ(set->entryNames[2], "Rust");
    EXPECT_EQ(set->currentFrames[0]->data[0], 3);
    EXPECT_EQ(set->currentFrames[1], nullptr) << "an entry without frames shows nothing";
    EXPECT_EQ(GRIB_SequenceDuration(&set->cursors[2]), 2);
    EXPECT_EQ(GRIB_LoadTextureSet("textures\\none.gaf"), nullptr);
    // Not part of the texture list: only GRIB_LoadTextures adds sets.
    EXPECT_EQ(GRIB_FindTexture("Plate"), nullptr);
    GRIB_FreeGAF(set->gaf);
    delete[] set->cursors;
    delete[] set->currentFrames;
    delete[] set->entryNames;
    delete set;
}

TEST_F(Textures, LaterSetsWinANameAndDamagedFilesAreSkipped) {
    dir.write("textures/a.gaf", KitWriteGAF({Entry("Metal", true, {{1, 1}}), Entry("OnlyA", true, {{2, 1}})}));
    dir.write("textures/B.GAF", KitWriteGAF({Entry("METAL", true, {{5, 1}}), Entry("twice", true, {{6, 1}}),
                                             Entry("Twice", true, {{7, 1}})}));
    std::vector<uint8_t> broken = KitWriteGAF({Entry("Metal", true, {{9, 1}})});
    broken.pop_back();
    dir.write("textures/c.gaf", broken);
    dir.write("textures/empty.gaf", KitWriteGAF({}));
    dir.write("textures/notes.txt", "not a texture");
    GRIB_LoadTextures("textures\\");
    EXPECT_EQ(Shown("metal"), 5) << "B.GAF is loaded after a.gaf";
    EXPECT_EQ(Shown("onlya"), 2);
    EXPECT_EQ(Shown("TWICE"), 7) << "within a set the last entry wins";
    EXPECT_EQ(Shown("nothing"), -1);
    EXPECT_EQ(GRIB_FindTexture(nullptr), nullptr);
    EXPECT_STREQ(GRIB_FindTextureSet("b")->name, "B");
    EXPECT_EQ(GRIB_FindTextureSet("EMPTY")->entryCount, 0);
    EXPECT_EQ(GRIB_FindTextureSet("c"), nullptr);
    EXPECT_EQ(GRIB_FindTextureSet("notes"), nullptr);
    // A second directory loaded later wins over both.
    dir.write("more/z.gaf", KitWriteGAF({Entry("metal", true, {{11, 1}})}));
    GRIB_LoadTextures("more\\");
    GRIB_LoadTextures("missing\\");
    EXPECT_EQ(Shown("Metal"), 11);
}

TEST_F(Textures, AdvanceStepsEverySequence) {
    dir.write("t/seq.gaf", KitWriteGAF({Entry("Once", false, {{1, 2}, {2, 2}, {3, 2}}),
                                        Entry("Loop", true, {{10, 1}, {11, 2}, {12, 3}}),
                                        Entry("Still", false, {{20, 1}})}));
    GRIB_LoadTextures("t\\");
    // Ticks to advance, then what Once, Loop and Still show.
    struct Step {
        uint32_t ticks;
        int once, loop, still;
    } steps[] = {
        {0, 1, 10, 20}, {1, 1, 11, 20}, {1, 2, 11, 20},
        {7, -1, 12, 20},  // Loop passes frames 2, 0 and 1 in one advance
        {100, -1, 11, 20},        // a single frame never moves
        {6 * 20000, -1, 11, 20},  // longer than the cursor's 16-bit time: whole periods
    };
    for (const Step& s : steps) {
        GRIB_AdvanceTextures(s.ticks);
        EXPECT_EQ((std::vector<int>{Shown("Once"), Shown("Loop"), Shown("Still")}),
                  (std::vector<int>{s.once, s.loop, s.still}))
            << "after " << s.ticks;
    }
}

}  // namespace
