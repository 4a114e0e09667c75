#include <algorithm>
#include <cmath>

#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::Copy;
using drawtest::DrawTest;
using drawtest::Mix;
using drawtest::RawFrame;
using drawtest::Repeat;
using drawtest::RleFrame;
using drawtest::RleRows;
using drawtest::Skip;

using ImageTest = DrawTest;

// 3 x 2 raw frame: a b c / d e f, with transparent index 0 nowhere.
RawFrame Abc() { return RawFrame(3, 2, {1, 2, 3, 4, 5, 6}, 0); }

// The same picture as run-length rows.
RleFrame AbcRle() { return RleFrame(3, 2, RleRows({{Copy(3), 1, 2, 3}, {Copy(3), 4, 5, 6}})); }

TEST_F(ImageTest, ClipRectsMovesSourceWithEachClippedSide) {
    GribRect clip{0, 0, 9, 9};
    GribRect src{0, 0, 4, 4};
    GribRect dst{-2, 7, 2, 11};
    GRIB_ClipRects(&src, &dst, &clip);
    EXPECT_EQ((std::vector<int>{dst.left, dst.top, dst.right, dst.bottom}), (std::vector<int>{0, 7, 2, 9}));
    EXPECT_EQ((std::vector<int>{src.left, src.top, src.right, src.bottom}), (std::vector<int>{2, 0, 4, 2}));
    GribRect src2{0, 0, 4, 4}, dst2{8, -3, 12, 1};
    GRIB_ClipRects(&src2, &dst2, &clip);
    EXPECT_EQ((std::vector<int>{src2.left, src2.top, src2.right, src2.bottom}), (std::vector<int>{0, 3, 1, 4}));
    // Far outside: the rectangles come out empty, without overflow.
    GribRect src3{0, 0, 4, 4}, dst3{INT32_MIN, 0, INT32_MIN + 4, 4};
    GRIB_ClipRects(&src3, &dst3, &clip);
    EXPECT_LT(dst3.right, dst3.left);
}

TEST_F(ImageTest, RectInsideIsInclusive) {
    GribRect b{0, 0, 9, 4};
    GribRect inside{0, 0, 9, 4}, right{1, 0, 10, 4}, below{0, 1, 9, 5}, left{-1, 0, 5, 4};
    EXPECT_EQ(GRIB_RectInside(&inside, &b), 1);
    EXPECT_EQ(GRIB_RectInside(&right, &b), 0);
    EXPECT_EQ(GRIB_RectInside(&below, &b), 0);
    EXPECT_EQ(GRIB_RectInside(&left, &b), 0);
}

// The same clipping for raw and run-length frames, at every edge.
TEST_F(ImageTest, DrawImageClipsAtEveryEdgeOfTheClipRectangle) {
    struct Case {
        int x, y;
        const char* picture;
    } cases[] = {
        {1, 1, "......\n.abc..\n.def..\n......\n"},
        {0, 1, "......\n.bc...\n.ef...\n......\n"},  // left clip at 1: source follows
        {3, 1, "......\n...ab.\n...de.\n......\n"},  // right clip at 4
        {1, 0, "......\n.def..\n......\n......\n"},  // top clip at 1
        {1, 2, "......\n......\n.abc..\n......\n"},  // bottom clip at 2
        {-1, -1, "......\n......\n......\n......\n"},
        {5, 1, "......\n......\n......\n......\n"},
    };
    RawFrame raw = Abc();
    RleFrame rle = AbcRle();
    for (const GribImage* image : {&raw.image, &rle.image}) {
        for (const Case& c : cases) {
            Canvas dst(6, 4);
            dst.setClip(1, 1, 4, 2);
            GRIB_DrawImage(&dst.bitmap, image, c.x, c.y);
            EXPECT_EQ(dst.picture(), c.picture)
                << (image->compressed ? "rle" : "raw") << " at " << c.x << "," << c.y;
        }
    }
}

// Translucent frames are placed and clipped exactly as opaque ones.
TEST_F(ImageTest, TranslucentDrawingClipsLikeOpaqueDrawing) {
    InstallAlpha();
    RawFrame raw = Abc();
    RleFrame rle = AbcRle();
    for (const GribImage* image : {&raw.image, &rle.image}) {
        for (int x = -3; x <= 6; ++x)
            for (int y = -2; y <= 4; ++y) {
                Canvas plain(6, 4, 200), glass(6, 4, 200);
                plain.setClip(1, 1, 4, 2);
                glass.setClip(1, 1, 4, 2);
                GRIB_DrawImage(&plain.bitmap, image, x, y);
                GRIB_DrawImageTranslucent(&glass.bitmap, image, x, y);
                for (size_t i = 0; i < plain.pixels.size(); ++i) {
                    const uint8_t s = plain.pixels[i];
                    EXPECT_EQ(glass.pixels[i], s == 200 ? 200 : Mix(s, 200)) << x << "," << y << " pixel " << i;
                }
            }
    }
}

TEST_F(ImageTest, OriginIsTheHotSpot) {
    RawFrame raw = Abc();
    raw.image.originX = 2;
    raw.image.originY = 1;
    Canvas dst(5, 3);
    GRIB_DrawImage(&dst.bitmap, &raw.image, 2, 1);
    EXPECT_EQ(dst.picture(), "abc..\ndef..\n.....\n");
}

TEST_F(ImageTest, RawFramesSkipTheirTransparentIndex) {
    RawFrame raw(2, 2, {5, 9, 9, 6}, 9);
    Canvas dst(2, 2, 1);
    GRIB_DrawImage(&dst.bitmap, &raw.image, 0, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{5, 1, 1, 6}));
}

TEST_F(ImageTest, RleRowStraddlingTheLeftClipDrawsOnlyItsVisiblePart) {
    // One row: repeat 4 x 'b', copy c d -> b b b b c d
    RleFrame rle(6, 1, RleRows({{Repeat(4), 2, Copy(2), 3, 4}}));
    Canvas dst(8, 1);
    dst.setClip(3, 0, 5, 0);
    GRIB_DrawImage(&dst.bitmap, &rle.image, 1, 0);
    EXPECT_EQ(dst.picture(), "...bbc..\n");
    // And one straddling the right clip edge with a skip in the middle.
    RleFrame gap(6, 1, RleRows({{Copy(2), 1, 2, Skip(2), Copy(2), 3, 4}}));
    Canvas dst2(8, 1);
    dst2.setClip(0, 0, 4, 0);
    GRIB_DrawImage(&dst2.bitmap, &gap.image, 0, 0);
    EXPECT_EQ(dst2.picture(), "ab..c...\n");
}

TEST_F(ImageTest, ClipLargerThanTheBitmapCannotWriteOutside) {
    RawFrame raw = Abc();
    Canvas dst(2, 2, 0, 4);
    dst.setClip(-5, -5, 100, 100);
    GRIB_DrawImage(&dst.bitmap, &raw.image, 1, 1);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{0, 0, 0, 0, 0, 1, 0, 0}));
}

TEST_F(ImageTest, SubImagesDrawInOrderByTheirOwnFlags) {
    InstallAlpha();
    RawFrame under(2, 1, {1, 2});
    RawFrame over(2, 1, {0, 3});   // transparent 0 over column 0
    RawFrame glass(2, 1, {4, 0});  // translucent
    glass.image.translucent = 1;
    const GribImage* list[] = {&under.image, &over.image, &glass.image};
    GribImage parent{};
    parent.width = 50;  // the parent's own fields are not drawn
    parent.height = 50;
    parent.subImageCount = 3;
    parent.data = reinterpret_cast<const uint8_t*>(list);
    parent.dataSize = sizeof(list);
    Canvas dst(3, 1, 9);
    GRIB_DrawImage(&dst.bitmap, &parent, 0, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{Mix(4, 1), 3, 9}));

    // Without the alpha flag the translucent sub-image is left out.
    env->flags &= static_cast<uint16_t>(~GRIB_FLAG_ALPHA);
    Canvas plain(3, 1, 9);
    GRIB_DrawImage(&plain.bitmap, &parent, 0, 0);
    EXPECT_EQ(plain.pixels, (std::vector<uint8_t>{1, 3, 9}));

    // The list is bounded by its data size.
    parent.dataSize = sizeof(list[0]);
    Canvas one(3, 1, 9);
    GRIB_DrawImage(&one.bitmap, &parent, 0, 0);
    EXPECT_EQ(one.pixels, (std::vector<uint8_t>{1, 2, 9}));
}

TEST_F(ImageTest, NestedSubImageListsAreNotFollowed) {
    RawFrame leaf(1, 1, {7});
    const GribImage* inner[] = {&leaf.image};
    GribImage middle{};
    middle.subImageCount = 1;
    middle.data = reinterpret_cast<const uint8_t*>(inner);
    middle.dataSize = sizeof(inner);
    const GribImage* outer[] = {&middle, &leaf.image};
    GribImage top{};
    top.subImageCount = 2;
    top.data = reinterpret_cast<const uint8_t*>(outer);
    top.dataSize = sizeof(outer);
    Canvas dst(2, 1);
    leaf.image.originX = 0;
    GRIB_DrawImage(&dst.bitmap, &top, 1, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{0, 7}));  // only the direct leaf
}

TEST_F(ImageTest, TranslucentDrawingNeedsTheAlphaFlag) {
    RawFrame raw(2, 1, {4, 0});
    RleFrame rle(2, 1, RleRows({{Copy(2), 4, 5}}));
    InstallAlpha(false);  // table present, flag clear
    Canvas dst(2, 1, 10);
    GRIB_DrawImageTranslucent(&dst.bitmap, &raw.image, 0, 0);
    GRIB_DrawImageTranslucent(&dst.bitmap, &rle.image, 0, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{10, 10}));

    env->flags |= GRIB_FLAG_ALPHA;
    GRIB_DrawImageTranslucent(&dst.bitmap, &raw.image, 0, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{Mix(4, 10), 10}));
    Canvas dst2(2, 1, 10);
    GRIB_DrawImageTranslucent(&dst2.bitmap, &rle.image, 0, 0);
    EXPECT_EQ(dst2.pixels, (std::vector<uint8_t>{Mix(4, 10), Mix(5, 10)}));

    // With the flag but no table there is nothing to mix with.
    env->alphaTable = nullptr;
    Canvas dst3(2, 1, 10);
    GRIB_DrawImageTranslucent(&dst3.bitmap, &raw.image, 0, 0);
    EXPECT_EQ(dst3.pixels, (std::vector<uint8_t>{10, 10}));
}

TEST_F(ImageTest, TranslucentDrawsEverySubImageTranslucent) {
    InstallAlpha();
    RawFrame a(1, 1, {4});
    RawFrame b(1, 1, {5});
    b.image.originX = -1;
    const GribImage* list[] = {&a.image, &b.image};
    GribImage parent{};
    parent.subImageCount = 2;
    parent.data = reinterpret_cast<const uint8_t*>(list);
    parent.dataSize = sizeof(list);
    Canvas dst(2, 1, 10);
    GRIB_DrawImageTranslucent(&dst.bitmap, &parent, 0, 0);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{Mix(4, 10), Mix(5, 10)}));
}

TEST_F(ImageTest, NullTargetDrawsOnTheScreenOrNothing) {
    RawFrame raw = Abc();
    GRIB_DrawImage(nullptr, &raw.image, 0, 0);  // no screen: nothing, no crash
    Canvas screen(3, 2);
    InstallScreen(&screen.bitmap);
    GRIB_DrawImage(nullptr, &raw.image, 0, 0);
    EXPECT_EQ(screen.picture(), "abc\ndef\n");
}

TEST_F(ImageTest, ShortRawDataIsNotDrawn) {
    RawFrame raw = Abc();
    raw.image.dataSize = 5;
    Canvas dst(3, 2);
    GRIB_DrawImage(&dst.bitmap, &raw.image, 0, 0);
    GRIB_DrawImageScaled(&dst.bitmap, &raw.image, 0, 0, 1, 1);
    EXPECT_EQ(dst.picture(), "...\n...\n");
}

TEST_F(ImageTest, ScaledDoublesAndHalves) {
    RawFrame raw(2, 2, {1, 2, 3, 4});
    Canvas big(5, 5);
    GRIB_DrawImageScaled(&big.bitmap, &raw.image, 0, 0, 2.0, 2.0);
    EXPECT_EQ(big.picture(), "aabb.\naabb.\nccdd.\nccdd.\n.....\n");

    RawFrame wide(4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    Canvas small(3, 2);
    GRIB_DrawImageScaled(&small.bitmap, &wide.image, 0, 0, 0.5, 1.0);
    EXPECT_EQ(small.picture(), "ac.\neg.\n");
}

TEST_F(ImageTest, ScaledOriginAndClipFollowTheScaledPixels) {
    RawFrame raw(2, 2, {1, 2, 3, 4});
    raw.image.originX = 1;  // scaled origin 2
    Canvas dst(5, 4);
    dst.setClip(2, 1, 4, 3);
    GRIB_DrawImageScaled(&dst.bitmap, &raw.image, 3, 0, 2.0, 2.0);
    // Destination starts at column 1; the clip cuts column 1 and row 0. The
    // clipped source edge (1 scaled pixel) maps back to texel trunc(1 / 2) = 0
    // and stepping restarts there.
    EXPECT_EQ(dst.picture(), ".....\n..aab\n..aab\n..ccd\n");
}

TEST_F(ImageTest, ScaledBelowOnePixelOrOddScalesDrawNothing) {
    RawFrame raw(2, 2, {1, 2, 3, 4});
    Canvas dst(4, 4);
    GRIB_DrawImageScaled(&dst.bitmap, &raw.image, 0, 0, 0.4, 1.0);
    GRIB_DrawImageScaled(&dst.bitmap, &raw.image, 0, 0, 1.0, 0.49);
    GRIB_DrawImageScaled(&dst.bitmap, &raw.image, 0, 0, -2.0, 1.0);
    GRIB_DrawImageScaled(&dst.bitmap, &raw.image, 0, 0, std::nan(""), 1.0);
    GRIB_DrawImageScaled(&dst.bitmap, &raw.image, 0, 0, 1e300, 1e300);
    RleFrame rle = AbcRle();  // scaled frames must be raw
    GRIB_DrawImageScaled(&dst.bitmap, &rle.image, 0, 0, 1.0, 1.0);
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(16, 0));
}

TEST_F(ImageTest, ScaledKeysTransparentAndStaysInsideTheFrameWhenClipped) {
    RawFrame raw(3, 3, {1, 0, 2, 0, 3, 0, 4, 0, 5});
    for (double scale : {0.7, 1.3, 2.9, 3.1, 5.5}) {
        for (int x = -7; x <= 3; ++x) {
            Canvas dst(6, 6, 9);
            dst.setClip(1, 1, 4, 4);
            GRIB_DrawImageScaled(&dst.bitmap, &raw.image, x, x, scale, scale);
            for (int yy = 0; yy < 6; ++yy)
                for (int xx = 0; xx < 6; ++xx) {
                    uint8_t v = dst.at(xx, yy);
                    bool inClip = xx >= 1 && xx <= 4 && yy >= 1 && yy <= 4;
                    if (!inClip) {
                        EXPECT_EQ(v, 9);
                    }
                    EXPECT_NE(v, 0) << "transparent texel written";
                }
        }
    }
}

TEST_F(ImageTest, ScaledTranslucentIgnoresTheFlagButNeedsTheTable) {
    RawFrame raw(1, 1, {4});
    Canvas dst(2, 2, 10);
    GRIB_DrawImageScaledTranslucent(&dst.bitmap, &raw.image, 0, 0, 2, 2);  // no table
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(4, 10));
    InstallAlpha(false);
    GRIB_DrawImageScaledTranslucent(&dst.bitmap, &raw.image, 0, 0, 2, 2);
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(4, Mix(4, 10)));
}

TEST_F(ImageTest, ScaledSubImagesUseTheirTranslucentFlag) {
    InstallAlpha();
    RawFrame a(1, 1, {4});
    RawFrame b(1, 1, {5});
    b.image.translucent = 1;
    b.image.originY = -1;
    const GribImage* list[] = {&a.image, &b.image};
    GribImage parent{};
    parent.subImageCount = 2;
    parent.data = reinterpret_cast<const uint8_t*>(list);
    parent.dataSize = sizeof(list);
    Canvas dst(2, 4, 10);
    GRIB_DrawImageScaled(&dst.bitmap, &parent, 0, 0, 2, 2);
    EXPECT_EQ(dst.pixels, (std::vector<uint8_t>{4, 4, 4, 4, Mix(5, 10), Mix(5, 10), Mix(5, 10), Mix(5, 10)}));
}

TEST_F(ImageTest, HalveImageMixesPairsThroughTheAlphaTable) {
    InstallAlpha();
    const uint8_t p = 37;
    RawFrame source(2, 2, {p, p, p, p});
    RawFrame destination(1, 1, {0});
    GRIB_HalveImage(&source.image, &destination.image);
    EXPECT_EQ(destination.pixels[0], alpha[alpha[p * 256 + p] * 256 + alpha[p * 256 + p]]);

    RawFrame wide(4, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    RawFrame half(2, 2, {0, 0, 0, 0});
    GRIB_HalveImage(&wide.image, &half.image);
    EXPECT_EQ(half.pixels[0], Mix(Mix(1, 2), Mix(5, 6)));
    EXPECT_EQ(half.pixels[1], Mix(Mix(3, 4), Mix(7, 8)));
    EXPECT_EQ(half.pixels[3], Mix(Mix(11, 12), Mix(15, 16)));
}

TEST_F(ImageTest, HalveImageStaysInsideASmallSource) {
    InstallAlpha();
    RawFrame source(3, 3, std::vector<uint8_t>(9, 2));
    RawFrame destination(4, 4, std::vector<uint8_t>(16, 0));
    GRIB_HalveImage(&source.image, &destination.image);  // only 1 x 1 can be made
    EXPECT_EQ(destination.pixels[0], Mix(Mix(2, 2), Mix(2, 2)));
    EXPECT_EQ(std::count(destination.pixels.begin(), destination.pixels.end(), 0), 15);
    env->alphaTable = nullptr;
    destination.pixels[0] = 0;
    GRIB_HalveImage(&source.image, &destination.image);
    EXPECT_EQ(destination.pixels[0], 0);
}

}  // namespace
