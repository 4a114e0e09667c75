#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::DrawTest;
using drawtest::Mix;

using BlitTest = DrawTest;

// A 3 x 2 source numbered 1..6.
Canvas Numbered() {
    Canvas s(3, 2);
    for (int i = 0; i < 6; ++i) s.pixels[i] = static_cast<uint8_t>(i + 1);
    return s;
}

TEST_F(BlitTest, BlitClipsAtEveryEdgeOfTheDestination) {
    Canvas src = Numbered();
    struct Case {
        int x, y;
        const char* picture;
    } cases[] = {
        {0, 0, "abc.\ndef.\n....\n"},
        {1, 1, "....\n.abc\n.def\n"},
        {2, 0, "..ab\n..de\n....\n"},   // right edge
        {-1, 0, "bc..\nef..\n....\n"},  // left edge: source starts at column 1
        {0, -1, "def.\n....\n....\n"},  // top edge
        {1, 2, "....\n....\n.abc\n"},   // bottom edge
        {-2, -1, "f...\n....\n....\n"},
        {3, 2, "....\n....\n...a\n"},
    };
    for (const Case& c : cases) {
        Canvas dst(4, 3);
        GRIB_Blit(&dst.bitmap, &src.bitmap, c.x, c.y);
        EXPECT_EQ(dst.picture(), c.picture) << "at " << c.x << "," << c.y;
    }
}

TEST_F(BlitTest, BlitDrawsNothingOnceFullyOutside) {
    Canvas src = Numbered();
    for (auto [x, y] : {std::pair{4, 0}, {0, 3}, {-3, 0}, {0, -2}, {INT32_MIN, 0}, {INT32_MAX, INT32_MAX}}) {
        Canvas dst(4, 3);
        GRIB_Blit(&dst.bitmap, &src.bitmap, x, y);
        EXPECT_EQ(dst.pixels, std::vector<uint8_t>(12, 0)) << x << "," << y;
    }
}

TEST_F(BlitTest, BlitIgnoresTheClipRectangleAndKeepsThePadding) {
    Canvas src = Numbered();
    Canvas dst(4, 2, 0, 6);
    dst.setClip(1, 1, 1, 1);
    GRIB_Blit(&dst.bitmap, &src.bitmap, 2, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{0, 0, 1, 2, 0, 0, 0, 0, 4, 5, 0, 0}));
}

TEST_F(BlitTest, BlitWithSourcePitchWiderThanWidth) {
    Canvas src(2, 2, 0, 5);
    src.pixels = {1, 2, 9, 9, 9, 3, 4, 9, 9, 9};
    src.bitmap.pixels = src.pixels.data();
    Canvas dst(2, 2);
    GRIB_Blit(&dst.bitmap, &src.bitmap, 0, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(BlitTest, CopyRectKeyedSkipsTheKey) {
    Canvas src(3, 2);
    src.pixels = {1, 0, 3, 0, 5, 6};
    src.bitmap.pixels = src.pixels.data();
    Canvas dst(4, 3, 9);
    GribRect rect{1, 0, 2, 1};
    GRIB_CopyRectKeyed(&dst.bitmap, &src.bitmap, &rect, 2, 1, 0);
    EXPECT_EQ(dst.picture(), "iiii\niiic\niief\n");
}

TEST_F(BlitTest, CopyRectAlphaMixesSourceOverDestination) {
    Canvas src(2, 1);
    src.pixels = {4, 255};
    src.bitmap.pixels = src.pixels.data();
    Canvas dst(2, 1, 10);
    InstallAlpha();
    GribRect rect{0, 0, 1, 0};
    GRIB_CopyRectAlpha(&dst.bitmap, &src.bitmap, &rect, 0, 0, 255, alpha);
    EXPECT_EQ(dst.pixels[0], Mix(4, 10));
    EXPECT_EQ(dst.pixels[1], 10);
}

TEST_F(BlitTest, RectCopiesNeverReachPastEitherBitmap) {
    Canvas src = Numbered();
    Canvas dst(2, 2, 0, 3);  // padding column 2 must stay 0
    GribRect rect{-1, 0, 5, 5};
    GRIB_CopyRectKeyed(&dst.bitmap, &src.bitmap, &rect, -1, 0, 0);
    // Source column 0 lands on column 0 (the -1 column is cut with it).
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{1, 2, 0, 4, 5, 0}));
    Canvas shifted(2, 2, 0, 3);
    GribRect above{-1, -1, 5, 5};
    GRIB_CopyRectKeyed(&shifted.bitmap, &src.bitmap, &above, -1, 0, 0);
    EXPECT_EQ(shifted.pixels, (std::vector<uint8_t>{0, 0, 0, 1, 2, 0}));
    GribRect far{0, 0, 2, 1};
    GRIB_CopyRectKeyed(&dst.bitmap, &src.bitmap, &far, 5, 5, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{1, 2, 0, 4, 5, 0}));
}

TEST_F(BlitTest, BlitToScreenShiftsBySourceOrigin) {
    Canvas screen(5, 4);
    InstallScreen(&screen.bitmap);
    Canvas src = Numbered();
    src.bitmap.originX = 1;
    src.bitmap.originY = -1;
    GRIB_BlitToScreen(nullptr, &src.bitmap, 2, 0);
    // top-left at (2 - 1, 0 + 1)
    EXPECT_EQ(screen.picture(), ".....\n.abc.\n.def.\n.....\n");
}

TEST_F(BlitTest, BlitToScreenFromTheScreenIsUnshifted) {
    Canvas screen(3, 2);
    for (int i = 0; i < 6; ++i) screen.pixels[i] = static_cast<uint8_t>(i + 1);
    screen.bitmap.originX = 2;  // not applied: the source is the screen
    InstallScreen(&screen.bitmap);
    Canvas dst(5, 3);
    GRIB_BlitToScreen(&dst.bitmap, nullptr, 1, 1);
    EXPECT_EQ(dst.picture(), ".....\n.abc.\n.def.\n");
    // A bitmap onto a bitmap still shifts by the source's origin.
    Canvas other(5, 3);
    Canvas src = Numbered();
    src.bitmap.originX = 1;
    GRIB_BlitToScreen(&other.bitmap, &src.bitmap, 1, 0);
    EXPECT_EQ(other.picture(), "abc..\ndef..\n.....\n");
}

TEST_F(BlitTest, BlitToScreenWithoutScreenDrawsNothing) {
    Canvas dst(3, 2, 7);
    Canvas src = Numbered();
    GRIB_BlitToScreen(nullptr, &src.bitmap, 0, 0);
    GRIB_BlitToScreen(&dst.bitmap, nullptr, 0, 0);
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(6, 7));
}

}  // namespace
