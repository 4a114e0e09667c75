// Run-length rows drawn through a source rectangle.
#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::Copy;
using drawtest::Mix;
using drawtest::Repeat;
using drawtest::RleRows;
using drawtest::Skip;
using RleTest = drawtest::DrawTest;

// . a b c d d / e e e e e e / f g . . h i
const std::vector<uint8_t> kSample = RleRows(
    {{Skip(1), Copy(3), 1, 2, 3, Repeat(2), 4}, {Repeat(6), 5}, {Copy(2), 6, 7, Skip(2), Copy(2), 8, 9}});

std::string Draw(const std::vector<uint8_t>& rows, GribRect rect, int w = 6, int h = 3) {
    Canvas c(static_cast<uint32_t>(w), static_cast<uint32_t>(h));
    GRIB_DrawRle(c.pixels.data(), c.bitmap.pitch, 0, 0, rows.data(), rows.size(), &rect);
    return c.picture();
}

TEST_F(RleTest, RowsDecodeThroughTheSourceRectangle) {
    const char* none = "......\n......\n......\n";
    const std::tuple<std::vector<uint8_t>, GribRect, const char*> cases[] = {
        {kSample, {0, 0, 5, 2}, ".abcdd\neeeeee\nfg..hi\n"},
        {kSample, {2, 0, 4, 2}, "bcd...\neee...\n..h...\n"},  // entering runs part way
        {kSample, {0, 0, 2, 2}, ".ab...\neee...\nfg....\n"},  // cutting the last run short
        {kSample, {1, 1, 4, 2}, "eeee..\ng..h..\n......\n"},  // rows skipped by their counts
        {kSample, {3, 0, 2, 2}, none}, {kSample, {0, 2, 5, 1}, none}, {kSample, {-1, 0, 5, 2}, none},
        // Codes past the rectangle are not followed; the next row is found by its count.
        {RleRows({{Repeat(10), 3, Copy(1)}, {Copy(1), 7}}), {0, 0, 3, 1}, "cccc..\ng.....\n......\n"},
        // A copy claiming more than its row holds is cut at the row's end.
        {{3, 0, Copy(8), 4, 5, 2, 0, Repeat(4), 9}, {0, 0, 5, 1}, "de....\niiii..\n......\n"},
        // A row count claiming more bytes than the data has.
        {{0xFF, 0xFF, Repeat(3), 2}, {0, 0, 5, 2}, "bbb...\n......\n......\n"},
    };
    for (const auto& [rows, rect, picture] : cases)
        EXPECT_EQ(Draw(rows, rect), picture) << rect.left << "," << rect.top << "," << rect.right;
    // Data ending inside a row stops there: complete rows still draw.
    for (size_t n = 9; n < kSample.size(); ++n)
        EXPECT_EQ(Draw({kSample.begin(), kSample.begin() + static_cast<long>(n)}, {0, 0, 5, 2}).substr(0, 7),
                  ".abcdd\n")
            << n;
}

TEST_F(RleTest, DrawsAtThePointWithPitchAndKeepsSkippedPixels) {
    Canvas c(8, 4, 20);
    GribRect rect{0, 0, 5, 1};
    GRIB_DrawRle(c.pixels.data(), c.bitmap.pitch, 2, 1, kSample.data(), kSample.size(), &rect);
    EXPECT_EQ(std::vector<uint8_t>(c.pixels.begin() + 8, c.pixels.begin() + 24),
              (std::vector<uint8_t>{20, 20, 20, 1, 2, 3, 4, 4, 20, 20, 5, 5, 5, 5, 5, 5}));
    InstallAlpha();
    Canvas m(6, 1, 10);
    GribRect row{0, 0, 5, 0};
    GRIB_DrawRleAlpha(m.pixels.data(), 6, 0, 0, kSample.data(), kSample.size(), &row, alpha);
    EXPECT_EQ(m.pixels, (std::vector<uint8_t>{10, Mix(1, 10), Mix(2, 10), Mix(3, 10), Mix(4, 10), Mix(4, 10)}));
}

}  // namespace
