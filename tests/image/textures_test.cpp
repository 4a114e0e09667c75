#include "grib/env/env.h"
#include "grib/image/textures.h"
#include "grib/vfs/vfs.h"
#include "tests/image/image_support.h"

namespace {

// Entries of 2 × 2 frames of one value each, with their durations.
KitGafEntry Entry(const std::string& name, bool loop, std::vector<std::pair<uint8_t, uint16_t>> frames) {
    KitGafEntry e{name, loop, {}};
    for (auto [value, duration] : frames)
        e.frames.push_back({{2, 2, 0, 0, 0, false, 0, std::vector<uint8_t>(4, value), {}}, duration});
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

TEST_F(Textures, LaterSetsWinANameAndDamagedFilesAreSkipped) {
    dir.write("textures/a.gaf", KitWriteGAF({Entry("Metal", true, {{1, 1}}), Entry("OnlyA", true, {{2, 1}, {3, 1}})}));
    dir.write("textures/Metal.Walls.gaf", KitWriteGAF({Entry("Empty", true, {})}));
    dir.write("textures/B.GAF", KitWriteGAF({Entry("METAL", true, {{5, 1}}), Entry("twice", true, {{6, 1}}),
                                             Entry("Twice", true, {{7, 1}})}));
    std::vector<uint8_t> broken = KitWriteGAF({Entry("Metal", true, {{9, 1}})});
    broken.pop_back();
    dir.write("textures/c.gaf", broken);
    dir.write("textures/empty.gaf", KitWriteGAF({}));
    dir.write("textures/notes.txt", "not a texture");
    GRIB_LoadTextures("textures\\");
    // B.GAF is loaded after a.gaf; within a set the last entry wins; sequences start at frame 0.
    EXPECT_EQ((std::vector<int>{Shown("metal"), Shown("onlya"), Shown("TWICE"), Shown("nothing"), Shown("Empty")}),
              (std::vector<int>{5, 2, 7, -1, -1}));
    EXPECT_STREQ(GRIB_FindTextureSet("metal.walls")->entryNames[0], "Empty");
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
    // Loop passes frames 2, 0 and 1 in the advance of 7; Still, one frame, never moves; 6 × 20000 is longer
    // than the cursor's 16-bit time: whole periods.
    const std::pair<uint32_t, std::vector<int>> steps[] = {
        {0, {1, 10, 20}}, {1, {1, 11, 20}}, {1, {2, 11, 20}}, {7, {-1, 12, 20}}, {100, {-1, 11, 20}},
        {6 * 20000, {-1, 11, 20}}};
    for (const auto& [ticks, shown] : steps) {
        GRIB_AdvanceTextures(ticks);
        EXPECT_EQ((std::vector<int>{Shown("Once"), Shown("Loop"), Shown("Still")}), shown) << "after " << ticks;
    }
}

}  // namespace
