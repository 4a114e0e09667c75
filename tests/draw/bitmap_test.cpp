// The bitmap record and whole-bitmap copies.
#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::Mix;
using BitmapTest = drawtest::DrawTest;

// A 3 x 2 source numbered 1..6.
Canvas Numbered() {
    Canvas s(3, 2);
    for (int i = 0; i < 6; ++i) s.pixels[i] = static_cast<uint8_t>(i + 1);
    return s;
}

TEST_F(BitmapTest, CreateInitAndFree) {
    const uint32_t before = env->allocatedBytes;
    GribBitmap* b = GRIB_CreateBitmap("Test Bitmap", 7, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GRIB_BlockSize(b), sizeof(GribBitmap) + 21) << "the pixels follow the record";
    EXPECT_EQ((std::vector<int>{int(b->flags), int(b->pitch), b->clipLeft, b->clipTop, b->clipRight, b->clipBottom}),
              (std::vector<int>{GRIB_BITMAP_VALID, 7, 0, 0, 6, 2}));
    b->flags = 0;
    GRIB_FreeBitmap(b);  // not valid: kept
    EXPECT_GT(env->allocatedBytes, before);
    b->flags = GRIB_BITMAP_VALID;
    GRIB_FreeBitmap(b);
    GRIB_FreeBitmap(nullptr);
    EXPECT_EQ(env->allocatedBytes, before);
    EXPECT_EQ(GRIB_CreateBitmap("Huge", 0xFFFFFFFFu, 0xFFFFFFFFu), nullptr);
    // Init keeps other flags and resets origin and clip.
    std::vector<uint8_t> pixels(12 * 4);
    GribBitmap c{};
    c.flags = 0x80;
    c.originX = 5;
    c.clipLeft = 3;
    GRIB_InitBitmap(&c, 10, 4, 12, pixels.data());
    EXPECT_EQ((std::vector<int>{int(c.flags), int(c.pitch), c.originX, c.clipLeft, c.clipRight, c.clipBottom}),
              (std::vector<int>{0x81, 12, 0, 0, 9, 3}));
    c.clipRight = 2;
    GRIB_ResetClip(&c);
    EXPECT_EQ(c.clipRight, 9);
}

TEST_F(BitmapTest, ClearAndTheScreen) {
    Canvas c(3, 2, 0, 4);
    EXPECT_EQ(GRIB_ClearBitmap(&c.bitmap, 7), 1);
    EXPECT_EQ(c.pixels, std::vector<uint8_t>(8, 7)) << "the whole pitch";
    c.bitmap.flags &= ~GRIB_BITMAP_VALID;
    EXPECT_EQ(GRIB_ClearBitmap(&c.bitmap, 9), 1);
    EXPECT_EQ(c.pixels, std::vector<uint8_t>(8, 7));

    GribBitmap out{};
    EXPECT_EQ(GRIB_ClearBitmap(nullptr, 4), 1);  // no screen: nothing, still 1
    EXPECT_EQ(GRIB_LockScreen(&out), 0);
    Canvas screen(4, 2);
    screen.bitmap.originX = 2;
    env->currentSurface = &screen.bitmap;
    EXPECT_EQ(GRIB_LockScreen(&out), 0) << "the present flag decides";
    env->surfacePresent = 1;
    EXPECT_EQ(GRIB_LockScreen(&out), 1);
    EXPECT_EQ(out.pixels, screen.pixels.data());
    EXPECT_EQ(out.originX, 2);
    EXPECT_EQ(GRIB_UnlockScreen(&out), 1);
    EXPECT_EQ(GRIB_ClearBitmap(nullptr, 4), 1);
    EXPECT_EQ(screen.pixels, std::vector<uint8_t>(8, 4));
}

TEST_F(BitmapTest, ImageFromBitmapUsesPitchAsWidthAndLeavesDepth) {
    Canvas c(10, 3, 0, 12);
    c.bitmap.originX = -4;
    GribImage image{};
    image.reserved = 77;
    image.depth = c.pixels.data() + 1;
    image.compressed = image.subImageCount = image.translucent = 1;
    GRIB_ImageFromBitmap(&image, &c.bitmap);
    EXPECT_EQ((std::vector<int>{image.width, image.height, image.originX, image.transparent, image.compressed,
                                image.subImageCount, image.translucent, int(image.reserved)}),
              (std::vector<int>{12, 3, -4, 255, 0, 0, 0, 77}));
    EXPECT_EQ(image.data + 1, image.depth);
}

TEST_F(BitmapTest, BlitClipsAtTheDestinationAndIgnoresItsClip) {
    Canvas src = Numbered();
    const char* none = "....\n....\n....\n";
    const std::tuple<int, int, const char*> cases[] = {
        {0, 0, "abc.\ndef.\n....\n"}, {1, 1, "....\n.abc\n.def\n"}, {2, 0, "..ab\n..de\n....\n"},
        {-1, 0, "bc..\nef..\n....\n"}, {0, -1, "def.\n....\n....\n"}, {1, 2, "....\n....\n.abc\n"},
        {-2, -1, "f...\n....\n....\n"}, {3, 2, "....\n....\n...a\n"}, {4, 0, none}, {0, 3, none}, {-3, 0, none},
        {0, -2, none}, {INT32_MIN, 0, none}, {INT32_MAX, INT32_MAX, none},
    };
    for (auto [x, y, picture] : cases) {
        Canvas dst(4, 3);
        GRIB_Blit(&dst.clip(1, 1, 1, 1).bitmap, &src.bitmap, x, y);
        EXPECT_EQ(dst.picture(), picture) << "at " << x << "," << y;
    }
    // The source's pitch and the destination's padding.
    Canvas wide(2, 2, 9, 5), padded(2, 2, 0, 3);
    wide.pixels[0] = 1;
    GRIB_Blit(&padded.bitmap, &wide.bitmap, 0, 0);
    EXPECT_EQ(padded.pixels, (std::vector<uint8_t>{1, 9, 0, 9, 9, 0}));
}

TEST_F(BitmapTest, RectCopiesKeyOrMixAndStayInsideBothBitmaps) {
    Canvas src(3, 2);
    src.pixels = {1, 0, 3, 0, 5, 6};
    src.bitmap.pixels = src.pixels.data();
    Canvas dst(4, 3, 9);
    GribRect rect{1, 0, 2, 1};
    GRIB_CopyRectKeyed(&dst.bitmap, &src.bitmap, &rect, 2, 1, 0);
    EXPECT_EQ(dst.picture(), "iiii\niiic\niief\n");
    InstallAlpha();
    Canvas mixed(2, 1, 10);
    GribRect row{0, 1, 1, 1};
    GRIB_CopyRectAlpha(&mixed.bitmap, &src.bitmap, &row, 0, 0, 5, alpha);
    EXPECT_EQ(mixed.pixels, (std::vector<uint8_t>{Mix(0, 10), 10}));

    // Rectangles reaching past either bitmap (padding column 2 stays 0).
    Canvas numbered = Numbered();
    const std::tuple<GribRect, int, int, std::vector<uint8_t>> cases[] = {
        {{-1, 0, 5, 5}, -1, 0, {1, 2, 0, 4, 5, 0}},  // the -1 column is cut with the source's
        {{-1, -1, 5, 5}, -1, 0, {0, 0, 0, 1, 2, 0}},
        {{0, 0, 2, 1}, 5, 5, {0, 0, 0, 0, 0, 0}},
    };
    for (const auto& [rect, x, y, pixels] : cases) {
        Canvas out(2, 2, 0, 3);
        GRIB_CopyRectKeyed(&out.bitmap, &numbered.bitmap, &rect, x, y, 0);
        EXPECT_EQ(out.pixels, pixels) << rect.left << "," << rect.top;
    }
}

TEST_F(BitmapTest, BlitToScreenShiftsByTheSourceOriginUnlessItIsTheScreen) {
    Canvas src = Numbered();
    src.bitmap.originX = 1;
    src.bitmap.originY = -1;
    Canvas dst(3, 2, 7);
    GRIB_BlitToScreen(nullptr, &src.bitmap, 0, 0);  // no screen: nothing
    GRIB_BlitToScreen(&dst.bitmap, nullptr, 0, 0);
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(6, 7));

    Canvas screen(5, 4);
    InstallScreen(&screen.bitmap);
    GRIB_BlitToScreen(nullptr, &src.bitmap, 2, 0);
    EXPECT_EQ(screen.picture(), ".....\n.abc.\n.def.\n.....\n");
    Canvas other(5, 4);
    GRIB_BlitToScreen(&other.bitmap, &src.bitmap, 1, 0);
    EXPECT_EQ(other.picture(), ".....\nabc..\ndef..\n.....\n");
    screen.bitmap.originX = 2;  // not applied: the source is the screen
    Canvas copy(6, 5);
    GRIB_BlitToScreen(&copy.bitmap, nullptr, 1, 0);
    EXPECT_EQ(copy.picture(), "......\n..abc.\n..def.\n......\n......\n");
}

}  // namespace
