// Frames drawn whole: clipping, keys, sub-images, translucency, scaling.
#include <algorithm>
#include <cmath>

#include "tests/draw/draw_support.h"

namespace {

using drawtest::Canvas;
using drawtest::Copy;
using drawtest::Frame;
using drawtest::Layered;
using drawtest::Mix;
using drawtest::RleRows;
using drawtest::Skip;
using ImageTest = drawtest::DrawTest;

// a b c / d e f, raw and as run-length rows.
Frame Abc() { return Frame(3, 2, {1, 2, 3, 4, 5, 6}); }
Frame AbcRle() { return Frame(3, 2, RleRows({{Copy(3), 1, 2, 3}, {Copy(3), 4, 5, 6}}), 0, true); }

TEST_F(ImageTest, ClipRectsAndRectInside) {
    const GribRect clip{0, 0, 9, 9};
    auto v = [](const GribRect& r) { return std::vector<int>{r.left, r.top, r.right, r.bottom}; };
    // The source square 0..4 drawn at a destination: both cut alike.
    const std::tuple<GribRect, GribRect, GribRect> cases[] = {{{-2, 7, 2, 11}, {2, 0, 4, 2}, {0, 7, 2, 9}},
                                                              {{8, -3, 12, 1}, {0, 3, 1, 4}, {8, 0, 9, 1}}};
    for (auto [dst, wantSrc, wantDst] : cases) {
        GribRect src{0, 0, 4, 4};
        GRIB_ClipRects(&src, &dst, &clip);
        EXPECT_EQ(v(src), v(wantSrc));
        EXPECT_EQ(v(dst), v(wantDst));
    }
    // Far outside: the rectangles come out empty, without overflow.
    GribRect src{0, 0, 4, 4}, far{INT32_MIN, 0, INT32_MIN + 4, 4};
    GRIB_ClipRects(&src, &far, &clip);
    EXPECT_LT(far.right, far.left);
    const GribRect b{0, 0, 9, 4};
    const std::pair<GribRect, int> inside[] = {{{0, 0, 9, 4}, 1}, {{1, 0, 10, 4}, 0}, {{0, 1, 9, 5}, 0}, {{-1, 0, 5, 4}, 0}};
    for (auto [r, want] : inside) EXPECT_EQ(GRIB_RectInside(&r, &b), want) << r.left;
}

// Raw and run-length frames clip alike at every edge, opaque or translucent.
TEST_F(ImageTest, DrawImageClipsAtEveryEdgeOfTheClipRectangle) {
    const char* none = "......\n......\n......\n......\n";
    const std::tuple<int, int, const char*> cases[] = {
        {1, 1, "......\n.abc..\n.def..\n......\n"}, {0, 1, "......\n.bc...\n.ef...\n......\n"},
        {3, 1, "......\n...ab.\n...de.\n......\n"}, {1, 0, "......\n.def..\n......\n......\n"},
        {1, 2, "......\n......\n.abc..\n......\n"}, {-1, -1, none}, {5, 1, none},
    };
    InstallAlpha();
    Frame raw = Abc(), rle = AbcRle();
    for (const GribImage* image : {&raw.image, &rle.image})
        for (auto [x, y, picture] : cases) {
            Canvas dst(6, 4), glass(6, 4, 200);
            GRIB_DrawImage(&dst.clip(1, 1, 4, 2).bitmap, image, x, y);
            EXPECT_EQ(dst.picture(), picture) << (image->compressed ? "rle" : "raw") << " at " << x << "," << y;
            GRIB_DrawImageTranslucent(&glass.clip(1, 1, 4, 2).bitmap, image, x, y);
            for (size_t i = 0; i < dst.pixels.size(); ++i)
                EXPECT_EQ(glass.pixels[i], dst.pixels[i] ? Mix(dst.pixels[i], 200) : 200) << x << "," << y;
        }
    // A clip larger than the bitmap can't write outside it.
    Canvas small(2, 2, 0, 4);
    GRIB_DrawImage(&small.clip(-5, -5, 100, 100).bitmap, &raw.image, 1, 1);
    EXPECT_EQ(small.pixels, (std::vector<uint8_t>{0, 0, 0, 0, 0, 1, 0, 0}));
}

TEST_F(ImageTest, OriginKeysAndRunsAcrossTheClip) {
    Frame raw = Abc();
    raw.image.originX = 2;
    raw.image.originY = 1;
    Canvas dst(5, 3);
    GRIB_DrawImage(&dst.bitmap, &raw.image, 2, 1);
    EXPECT_EQ(dst.picture(), "abc..\ndef..\n.....\n") << "the origin is the hot spot";
    Frame keyed(2, 2, {5, 9, 9, 6}, 9);
    Canvas under(2, 2, 1);
    GRIB_DrawImage(&under.bitmap, &keyed.image, 0, 0);
    EXPECT_EQ(under.pixels, (std::vector<uint8_t>{5, 1, 1, 6}));
    // Runs straddling the left and the right clip edge draw their visible part.
    Frame left(6, 1, RleRows({{drawtest::Repeat(4), 2, Copy(2), 3, 4}}), 0, true);
    Frame gap(6, 1, RleRows({{Copy(2), 1, 2, Skip(2), Copy(2), 3, 4}}), 0, true);
    Canvas a(8, 1), b(8, 1);
    GRIB_DrawImage(&a.clip(3, 0, 5, 0).bitmap, &left.image, 1, 0);
    GRIB_DrawImage(&b.clip(0, 0, 4, 0).bitmap, &gap.image, 0, 0);
    EXPECT_EQ(a.picture() + b.picture(), "...bbc..\nab..c...\n");
    // Raw data shorter than the frame is not drawn; null is the screen.
    raw.image.dataSize = 5;
    Canvas none(3, 2), screen(3, 2);
    GRIB_DrawImage(&none.bitmap, &raw.image, 2, 1);
    GRIB_DrawImageScaled(&none.bitmap, &raw.image, 2, 1, 1, 1);
    EXPECT_EQ(none.picture(), "...\n...\n");
    Frame abc = Abc();
    GRIB_DrawImage(nullptr, &abc.image, 0, 0);  // no screen: nothing
    InstallScreen(&screen.bitmap);
    GRIB_DrawImage(nullptr, &abc.image, 0, 0);
    EXPECT_EQ(screen.picture(), "abc\ndef\n");
}

TEST_F(ImageTest, SubImagesDrawInOrderByTheirOwnFlags) {
    InstallAlpha();
    Frame under(2, 1, {1, 2}), over(2, 1, {0, 3}), glass(2, 1, {4, 0});
    glass.image.translucent = 1;
    Layered parent({&under.image, &over.image, &glass.image});
    parent.image.width = parent.image.height = 50;  // the parent's own fields are not drawn
    // Without the alpha flag the translucent one is left out; the list is bounded by its data size.
    const std::tuple<bool, size_t, std::vector<uint8_t>> cases[] = {
        {true, 3, {Mix(4, 1), 3, 9}}, {false, 3, {1, 3, 9}}, {true, 1, {1, 2, 9}}};
    for (const auto& [alphaFlag, listed, pixels] : cases) {
        env->flags = alphaFlag ? env->flags | GRIB_FLAG_ALPHA : env->flags & ~GRIB_FLAG_ALPHA;
        parent.image.dataSize = listed * sizeof(GribImage*);
        Canvas dst(3, 1, 9);
        GRIB_DrawImage(&dst.bitmap, &parent.image, 0, 0);
        EXPECT_EQ(dst.pixels, pixels) << listed;
    }
    // Nested lists are not followed: only the direct leaf draws.
    Frame leaf(1, 1, {7});
    Layered middle({&leaf.image});
    Layered top({&middle.image, &leaf.image});
    Canvas nested(2, 1);
    GRIB_DrawImage(&nested.bitmap, &top.image, 1, 0);
    EXPECT_EQ(nested.pixels, (std::vector<uint8_t>{0, 7}));
}

TEST_F(ImageTest, TranslucentDrawingNeedsTheFlagAndTheTable) {
    Frame raw(2, 1, {4, 0}), a(1, 1, {4}), b(1, 1, {5});
    b.image.originX = -1;
    Layered both({&a.image, &b.image});
    InstallAlpha();
    // The alpha flag, the table, the frame, the pixels over 10s.
    const std::tuple<bool, bool, const GribImage*, std::vector<uint8_t>> cases[] = {
        {false, true, &raw.image, {10, 10}}, {false, true, &both.image, {10, 10}},
        {true, true, &raw.image, {Mix(4, 10), 10}},            // the key is not mixed
        {true, true, &both.image, {Mix(4, 10), Mix(5, 10)}},  // every sub-image translucent
        {true, false, &raw.image, {10, 10}},                   // nothing to mix with
    };
    for (const auto& [flag, table, image, pixels] : cases) {
        env->flags = flag ? env->flags | GRIB_FLAG_ALPHA : env->flags & ~GRIB_FLAG_ALPHA;
        env->alphaTable = table ? alpha : nullptr;
        Canvas dst(2, 1, 10);
        GRIB_DrawImageTranslucent(&dst.bitmap, image, 0, 0);
        EXPECT_EQ(dst.pixels, pixels) << flag << table;
    }
}

TEST_F(ImageTest, ScaledFramesFollowTheScaledPixels) {
    Frame square(2, 2, {1, 2, 3, 4}), wide(4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    // The frame, x, the scales, the origin's x, the clip, the picture. In the last the destination starts at
    // column 1 and the clip cuts column 1 and row 0: the clipped edge (1 scaled pixel) maps back to texel
    // trunc(1 / 2) = 0.
    const std::tuple<GribImage*, int, double, double, int16_t, GribRect, const char*> cases[] = {
        {&square.image, 0, 2, 2, 0, {0, 0, 4, 3}, "aabb.\naabb.\nccdd.\nccdd.\n"},
        {&wide.image, 0, 0.5, 1, 0, {0, 0, 4, 3}, "ac...\neg...\n.....\n.....\n"},
        {&square.image, 3, 2, 2, 1, {2, 1, 4, 3}, ".....\n..aab\n..aab\n..ccd\n"}};
    for (auto [image, x, sx, sy, originX, clip, picture] : cases) {
        image->originX = originX;
        Canvas dst(5, 4);
        GRIB_DrawImageScaled(&dst.clip(clip.left, clip.top, clip.right, clip.bottom).bitmap, image, x, 0, sx, sy);
        EXPECT_EQ(dst.picture(), picture) << sx;
    }
    // Below one pixel, negative, not a number, huge, or not raw: nothing.
    Canvas dst(4, 4);
    for (auto [sx, sy] : {std::pair{0.4, 1.0}, {1.0, 0.49}, {-2.0, 1.0}, {std::nan(""), 1.0}, {1e300, 1e300}})
        GRIB_DrawImageScaled(&dst.bitmap, &square.image, 0, 0, sx, sy);
    Frame rle = AbcRle();
    GRIB_DrawImageScaled(&dst.bitmap, &rle.image, 0, 0, 1.0, 1.0);
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(16, 0));
}

TEST_F(ImageTest, ScaledKeysTransparentAndStaysInsideTheClip) {
    Frame raw(3, 3, {1, 0, 2, 0, 3, 0, 4, 0, 5});
    for (double scale : {0.7, 1.3, 2.9, 3.1, 5.5})
        for (int x = -7; x <= 3; ++x) {
            Canvas dst(6, 6, 9);
            GRIB_DrawImageScaled(&dst.clip(1, 1, 4, 4).bitmap, &raw.image, x, x, scale, scale);
            for (int i = 0; i < 36; ++i) {
                bool inClip = i % 6 >= 1 && i % 6 <= 4 && i / 6 >= 1 && i / 6 <= 4;
                EXPECT_TRUE(inClip || dst.pixels[i] == 9) << scale << " " << x << " pixel " << i;
                EXPECT_NE(dst.pixels[i], 0) << "transparent texel written";
            }
        }
}

TEST_F(ImageTest, ScaledTranslucency) {
    Frame raw(1, 1, {4}), other(1, 1, {5});
    Canvas dst(2, 2, 10);
    GRIB_DrawImageScaledTranslucent(&dst.bitmap, &raw.image, 0, 0, 2, 2);  // no table
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(4, 10));
    InstallAlpha(false);  // the flag is not needed
    GRIB_DrawImageScaledTranslucent(&dst.bitmap, &raw.image, 0, 0, 2, 2);
    EXPECT_EQ(dst.pixels, std::vector<uint8_t>(4, Mix(4, 10)));
    // Sub-images scale by their own translucent flag.
    env->flags |= GRIB_FLAG_ALPHA;
    other.image.translucent = 1;
    other.image.originY = -1;
    Layered parent({&raw.image, &other.image});
    Canvas layered(2, 4, 10);
    GRIB_DrawImageScaled(&layered.bitmap, &parent.image, 0, 0, 2, 2);
    uint8_t m = Mix(5, 10);
    EXPECT_EQ(layered.pixels, (std::vector<uint8_t>{4, 4, 4, 4, m, m, m, m}));
}

TEST_F(ImageTest, HalveImageMixesPairsThroughTheAlphaTable) {
    InstallAlpha();
    Frame wide(4, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    Frame half(2, 2, {0, 0, 0, 0});
    GRIB_HalveImage(&wide.image, &half.image);
    EXPECT_EQ(half.bytes, (std::vector<uint8_t>{Mix(Mix(1, 2), Mix(5, 6)), Mix(Mix(3, 4), Mix(7, 8)),
                                                Mix(Mix(9, 10), Mix(13, 14)), Mix(Mix(11, 12), Mix(15, 16))}));
    // A small source gives only what it can (1 x 1 of 3 x 3); no table, nothing.
    Frame source(3, 3, std::vector<uint8_t>(9, 2)), destination(4, 4, std::vector<uint8_t>(16, 0));
    GRIB_HalveImage(&source.image, &destination.image);
    EXPECT_EQ(destination.bytes[0], Mix(Mix(2, 2), Mix(2, 2)));
    EXPECT_EQ(std::count(destination.bytes.begin(), destination.bytes.end(), 0), 15);
    env->alphaTable = nullptr;
    destination.bytes[0] = 0;
    GRIB_HalveImage(&source.image, &destination.image);
    EXPECT_EQ(destination.bytes[0], 0);
}

}  // namespace
