#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::Copy;
using drawtest::DrawTest;
using drawtest::Mix;
using drawtest::Repeat;
using drawtest::RleRows;
using drawtest::Skip;

using RleTest = DrawTest;

// Row 0: skip 1, copy 3 (1 2 3), repeat 2 x 4  -> . a b c d d
// Row 1: repeat 6 x 5                          -> e e e e e e
// Row 2: copy 2 (6 7), skip 2, copy 2 (8 9)    -> f g . . h i
std::vector<uint8_t> Sample() {
    return RleRows({{Skip(1), Copy(3), 1, 2, 3, Repeat(2), 4},
                    {Repeat(6), 5},
                    {Copy(2), 6, 7, Skip(2), Copy(2), 8, 9}});
}

std::string Draw(const std::vector<uint8_t>& rows, GribRect rect, int w = 6, int h = 3) {
    Canvas c(static_cast<uint32_t>(w), static_cast<uint32_t>(h));
    GRIB_DrawRle(c.pixels.data(), c.bitmap.pitch, 0, 0, rows.data(), rows.size(), &rect);
    return c.picture();
}

TEST_F(RleTest, CodesDecodeSkipRepeatAndCopy) {
    EXPECT_EQ(Draw(Sample(), {0, 0, 5, 2}), ".abcdd\neeeeee\nfg..hi\n");
}

TEST_F(RleTest, SourceRectangleEntersRunsPartWay) {
    // Left edge inside the copy run of row 0 and the repeat of row 1.
    EXPECT_EQ(Draw(Sample(), {2, 0, 4, 2}), "bcd...\neee...\n..h...\n");
    // Right edge cuts the last run short.
    EXPECT_EQ(Draw(Sample(), {0, 0, 2, 2}), ".ab...\neee...\nfg....\n");
    // Top rows skipped by their byte counts.
    EXPECT_EQ(Draw(Sample(), {1, 1, 4, 2}), "eeee..\ng..h..\n......\n");
}

TEST_F(RleTest, DrawsAtDestinationPointWithPitch) {
    Canvas c(8, 4);
    GribRect rect{0, 0, 5, 1};
    auto rows = Sample();
    GRIB_DrawRle(c.pixels.data(), c.bitmap.pitch, 2, 1, rows.data(), rows.size(), &rect);
    EXPECT_EQ(c.picture(), "........\n...abcdd\n..eeeeee\n........\n");
}

TEST_F(RleTest, SkippedPixelsKeepTheDestination) {
    Canvas c(6, 1, 20);
    GribRect rect{0, 0, 5, 0};
    auto rows = Sample();
    GRIB_DrawRle(c.pixels.data(), 6, 0, 0, rows.data(), rows.size(), &rect);
    EXPECT_EQ(c.pixels, (std::vector<uint8_t>{20, 1, 2, 3, 4, 4}));
}

TEST_F(RleTest, AlphaVariantMixesAndSkips) {
    InstallAlpha();
    Canvas c(6, 1, 10);
    GribRect rect{0, 0, 5, 0};
    auto rows = Sample();
    GRIB_DrawRleAlpha(c.pixels.data(), 6, 0, 0, rows.data(), rows.size(), &rect, alpha);
    EXPECT_EQ(c.pixels, (std::vector<uint8_t>{10, Mix(1, 10), Mix(2, 10), Mix(3, 10), Mix(4, 10), Mix(4, 10)}));
}

TEST_F(RleTest, CodesPastTheRowAreNotFollowed) {
    // The codes describe 10 pixels but the rectangle is 4 wide: the rest of
    // the row is never decoded and the next row is found by its count.
    auto rows = RleRows({{Repeat(10), 3, Copy(1)}, {Copy(1), 7}});
    Canvas c(4, 2, 0, 6);
    GribRect rect{0, 0, 3, 1};
    GRIB_DrawRle(c.pixels.data(), 6, 0, 0, rows.data(), rows.size(), &rect);
    EXPECT_EQ(c.pixels, (std::vector<uint8_t>{3, 3, 3, 3, 0, 0, 7, 0, 0, 0, 0, 0}));
}

TEST_F(RleTest, CopyRunLongerThanItsRowIsCutAtTheRowEnd) {
    // The copy claims 8 bytes but the row holds 2; the next row's count
    // bytes are not drawn as pixels.
    std::vector<uint8_t> rows = {3, 0, Copy(8), 4, 5, 2, 0, Repeat(4), 9};
    EXPECT_EQ(Draw(rows, {0, 0, 5, 1}, 6, 2), "de....\niiii..\n");
}

TEST_F(RleTest, DataEndingInsideARowStopsThere) {
    auto rows = Sample();
    // Cut at every length: nothing past the data is read (the sanitizer
    // build checks the reads) and complete rows still draw.
    for (size_t n = 0; n <= rows.size(); ++n) {
        std::vector<uint8_t> part(rows.begin(), rows.begin() + static_cast<long>(n));
        std::string picture = Draw(part, {0, 0, 5, 2});
        if (n >= 9) {
            EXPECT_EQ(picture.substr(0, 7), ".abcdd\n") << n;
        }
        if (n == rows.size()) {
            EXPECT_EQ(picture, ".abcdd\neeeeee\nfg..hi\n");
        }
    }
    // A row count claiming more bytes than the data has.
    std::vector<uint8_t> lying = {0xFF, 0xFF, Repeat(3), 2};
    EXPECT_EQ(Draw(lying, {0, 0, 5, 2}), "bbb...\n......\n......\n");
}

TEST_F(RleTest, EmptyOrInvertedRectangleDrawsNothing) {
    auto rows = Sample();
    EXPECT_EQ(Draw(rows, {3, 0, 2, 2}), "......\n......\n......\n");
    EXPECT_EQ(Draw(rows, {0, 2, 5, 1}), "......\n......\n......\n");
    EXPECT_EQ(Draw(rows, {-1, 0, 5, 2}), "......\n......\n......\n");
}

}  // namespace
