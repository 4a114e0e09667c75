#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::DrawTest;

using BitmapTest = DrawTest;

TEST_F(BitmapTest, CreateBitmapIsOneTaggedBlockWithFullClip) {
    const uint32_t before = env->allocatedBytes;
    GribBitmap* b = GRIB_CreateBitmap("Test Bitmap", 7, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 7u);
    EXPECT_EQ(b->height, 3u);
    EXPECT_EQ(b->pitch, 7u);
    EXPECT_EQ(b->pixels, reinterpret_cast<uint8_t*>(b + 1));
    EXPECT_EQ(GRIB_BlockSize(b), sizeof(GribBitmap) + 21);
    EXPECT_STREQ(GRIB_BlockTag(b), "Test Bitmap");
    EXPECT_EQ(b->originX, 0);
    EXPECT_EQ(b->originY, 0);
    EXPECT_EQ(b->flags, GRIB_BITMAP_VALID);
    EXPECT_EQ(b->clipLeft, 0);
    EXPECT_EQ(b->clipTop, 0);
    EXPECT_EQ(b->clipRight, 6);
    EXPECT_EQ(b->clipBottom, 2);
    GRIB_FreeBitmap(b);
    EXPECT_EQ(env->allocatedBytes, before);
}

TEST_F(BitmapTest, CreateBitmapRefusesImpossibleSizes) {
    EXPECT_EQ(GRIB_CreateBitmap("Huge", 0xFFFFFFFFu, 0xFFFFFFFFu), nullptr);
}

TEST_F(BitmapTest, InitBitmapKeepsOtherFlagsAndResetsOriginAndClip) {
    std::vector<uint8_t> pixels(12 * 4);
    GribBitmap b{};
    b.flags = 0x80;
    b.originX = 5;
    b.clipLeft = 3;
    GRIB_InitBitmap(&b, 10, 4, 12, pixels.data());
    EXPECT_EQ(b.flags, 0x81u);
    EXPECT_EQ(b.pitch, 12u);
    EXPECT_EQ(b.originX, 0);
    EXPECT_EQ(b.clipLeft, 0);
    EXPECT_EQ(b.clipRight, 9);
    EXPECT_EQ(b.clipBottom, 3);
    b.clipRight = 2;
    GRIB_ResetClip(&b);
    EXPECT_EQ(b.clipRight, 9);
}

TEST_F(BitmapTest, ClearBitmapFillsWholePitchOfValidBitmapsOnly) {
    Canvas c(3, 2, 0, 4);
    EXPECT_EQ(GRIB_ClearBitmap(&c.bitmap, 7), 1);
    EXPECT_EQ(c.pixels, std::vector<uint8_t>(8, 7));

    c.bitmap.flags &= ~GRIB_BITMAP_VALID;
    EXPECT_EQ(GRIB_ClearBitmap(&c.bitmap, 9), 1);
    EXPECT_EQ(c.pixels, std::vector<uint8_t>(8, 7));
}

TEST_F(BitmapTest, ClearOfTheScreenNeedsAScreen) {
    EXPECT_EQ(GRIB_ClearBitmap(nullptr, 4), 1);  // no screen: nothing, still 1
    Canvas screen(4, 2);
    InstallScreen(&screen.bitmap);
    EXPECT_EQ(GRIB_ClearBitmap(nullptr, 4), 1);
    EXPECT_EQ(screen.pixels, std::vector<uint8_t>(8, 4));
}

TEST_F(BitmapTest, LockScreenCopiesTheRecordOnlyWhileASurfaceIsPresent) {
    GribBitmap out{};
    EXPECT_EQ(GRIB_LockScreen(&out), 0);
    Canvas screen(5, 5);
    screen.bitmap.originX = 2;
    env->currentSurface = &screen.bitmap;
    EXPECT_EQ(GRIB_LockScreen(&out), 0);  // the present flag decides
    env->surfacePresent = 1;
    EXPECT_EQ(GRIB_LockScreen(&out), 1);
    EXPECT_EQ(out.pixels, screen.pixels.data());
    EXPECT_EQ(out.originX, 2);
    EXPECT_EQ(GRIB_UnlockScreen(&out), 1);
}

TEST_F(BitmapTest, FreeBitmapIgnoresNullAndInvalidRecords) {
    GRIB_FreeBitmap(nullptr);
    GribBitmap* b = GRIB_CreateBitmap("Test", 2, 2);
    b->flags = 0;
    uint32_t before = env->allocatedBytes;
    GRIB_FreeBitmap(b);  // not valid: kept
    EXPECT_EQ(env->allocatedBytes, before);
    b->flags = GRIB_BITMAP_VALID;
    GRIB_FreeBitmap(b);
    EXPECT_LT(env->allocatedBytes, before);
}

TEST_F(BitmapTest, ImageFromBitmapUsesPitchAsWidthAndLeavesDepth) {
    Canvas c(10, 3, 0, 12);
    c.bitmap.originX = -4;
    c.bitmap.originY = 6;
    uint8_t depth = 0;
    GribImage image{};
    image.reserved = 77;
    image.depth = &depth;
    image.compressed = 1;
    image.subImageCount = 3;
    GRIB_ImageFromBitmap(&image, &c.bitmap);
    EXPECT_EQ(image.width, 12);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.originX, -4);
    EXPECT_EQ(image.originY, 6);
    EXPECT_EQ(image.transparent, 255);
    EXPECT_EQ(image.compressed, 0);
    EXPECT_EQ(image.subImageCount, 0);
    EXPECT_EQ(image.translucent, 0);
    EXPECT_EQ(image.data, c.pixels.data());
    EXPECT_EQ(image.reserved, 77u);
    EXPECT_EQ(image.depth, &depth);
}

}  // namespace
