#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/env/env.h"
#include "grib/raster/raster.h"
#include "tests/support/support.h"

namespace {

// A bitmap over its own pixel vector, with a fresh clip rectangle.
struct Canvas {
    std::vector<uint8_t> pixels;
    GribBitmap bitmap{};
    Canvas(uint32_t w, uint32_t h, uint8_t fill = 0) : pixels(size_t{w} * h, fill) {
        GRIB_InitBitmap(&bitmap, w, h, w, pixels.data());
    }
    uint8_t at(int x, int y) const { return pixels[size_t(y) * bitmap.pitch + x]; }
    int count(uint8_t c) const {
        int n = 0;
        for (uint8_t p : pixels) n += p == c;
        return n;
    }
};

// A depth-tested target image over a canvas, with its own depth buffer.
struct DepthCanvas {
    Canvas canvas;
    std::vector<uint8_t> depth;
    GribImage image{};
    DepthCanvas(uint32_t w, uint32_t h, bool withDepth = true) : canvas(w, h), depth(size_t{w} * h, 0) {
        GRIB_ImageFromBitmap(&image, &canvas.bitmap);
        image.depth = withDepth ? depth.data() : nullptr;
    }
};

struct Texture {
    std::vector<uint8_t> texels;
    GribImage image{};
    Texture(int w, int h) : texels(size_t(w) * h) {
        image.width = uint16_t(w);
        image.height = uint16_t(h);
        image.data = texels.data();
        image.dataSize = texels.size();
    }
};

class RasterTest : public ::testing::Test {
protected:
    std::vector<uint8_t> shade;
    uint8_t* shadeBlock = nullptr;
    void SetUp() override {
        testsupport::StartGrib();
        // Level L maps colour c to (c + L) & 0xFF: easy to predict.
        shadeBlock = static_cast<uint8_t*>(GRIB_Alloc("SHADE TABLE", 8192));
        for (int l = 0; l < 32; ++l)
            for (int c = 0; c < 256; ++c) shadeBlock[l * 256 + c] = uint8_t(c + l);
        GRIB_GetEnvironment()->shadeTable = shadeBlock;
    }
    void TearDown() override {
        GRIB_GetEnvironment()->shadeTable = nullptr;
        GRIB_Free(shadeBlock);
    }
};

const int32_t kSquareCW[8] = {2, 2, 12, 2, 12, 12, 2, 12};
const int32_t kSquareCCW[8] = {2, 2, 2, 12, 12, 12, 12, 2};

TEST_F(RasterTest, ClockwiseFillsCounterClockwiseDrawsNothing) {
    Texture t(8, 8);
    std::fill(t.texels.begin(), t.texels.end(), 7);
    const int32_t cw3[12] = {2, 2, 5, 12, 2, 5, 12, 12, 5, 2, 12, 5};
    const int32_t ccw3[12] = {2, 2, 5, 2, 12, 5, 12, 12, 5, 12, 2, 5};
    for (int clockwise = 0; clockwise < 2; ++clockwise) {
        const int32_t* square = clockwise ? kSquareCW : kSquareCCW;
        Canvas a(16, 16), b(16, 16);
        DepthCanvas d(16, 16);
        EXPECT_EQ(GRIB_FillPolygon(&a.bitmap, square, 4, 7), 1);
        GRIB_DrawTexturedQuad(&b.bitmap, &t.image, square, nullptr);
        GRIB_FillPolygonZ(&d.image, clockwise ? cw3 : ccw3, 4, 7);
        // Columns 2..11 and rows 2..11.
        for (const Canvas* c : {&a, &b, &d.canvas}) {
            EXPECT_EQ(c->count(7), clockwise ? 100 : 0);
            EXPECT_EQ(c->at(2, 2) + c->at(11, 11), clockwise ? 14 : 0);
            EXPECT_EQ(c->at(12, 5) + c->at(5, 12), 0);
        }
    }
}

TEST_F(RasterTest, TriangleAsQuadFillsLikeTheTriangle) {
    const int32_t tri[6] = {3, 1, 14, 9, 1, 13};
    const int32_t quad[8] = {3, 1, 14, 9, 1, 13, 3, 1};
    Canvas a(16, 16), b(16, 16), c(16, 16);
    GRIB_FillPolygon(&a.bitmap, tri, 3, 5);
    GRIB_FillPolygon(&b.bitmap, quad, 4, 5);
    EXPECT_GT(a.count(5), 40);
    EXPECT_EQ(a.pixels, b.pixels);
    Texture t(4, 4);
    std::fill(t.texels.begin(), t.texels.end(), 5);
    GRIB_DrawTexturedQuad(&c.bitmap, &t.image, quad, nullptr);
    EXPECT_EQ(a.pixels, c.pixels);
}

TEST_F(RasterTest, FreshClipNeverWritesLastRowAndColumnRaisedClipCoversAll) {
    const int32_t full[8] = {0, 0, 10, 0, 10, 10, 0, 10};
    const int32_t fullZ[16] = {0, 0, 1, 3, 10, 0, 1, 3, 10, 10, 1, 3, 0, 10, 1, 3};
    Texture t(8, 8);
    std::fill(t.texels.begin(), t.texels.end(), 1);
    auto check = [](const Canvas& c, bool whole) {
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                bool edge = x == 9 || y == 9;
                EXPECT_EQ(c.at(x, y) != 0, whole || !edge) << x << "," << y;
            }
    };
    for (int raised = 0; raised < 2; ++raised) {
        Canvas a(10, 10), b(10, 10);
        a.bitmap.clipRight += raised;
        a.bitmap.clipBottom += raised;
        b.bitmap.clipRight += raised;
        b.bitmap.clipBottom += raised;
        GRIB_FillPolygon(&a.bitmap, full, 4, 1);
        GRIB_DrawTexturedQuad(&b.bitmap, &t.image, full, nullptr);
        check(a, raised);
        check(b, raised);
    }
    // The depth-tested fillers clip to the image: its last row and column stay.
    DepthCanvas d1(10, 10), d2(10, 10), d3(10, 10), d4(10, 10);
    GRIB_FillPolygonZ(&d1.image, fullZ, 4, 1);  // stride 3 reads the first 12 ints
    const int32_t z3[12] = {0, 0, 1, 10, 0, 1, 10, 10, 1, 0, 10, 1};
    std::memset(d1.canvas.pixels.data(), 0, 100);
    GRIB_FillPolygonZ(&d1.image, z3, 4, 1);
    GRIB_FillPolygonZLit(&d2.image, fullZ, 4, 1);
    GRIB_DrawTexturedQuadZ(&d3.image, &t.image, z3, nullptr);
    GRIB_DrawTexturedQuadZLit(&d4.image, &t.image, fullZ, nullptr);
    check(d1.canvas, false);
    check(d2.canvas, false);
    check(d3.canvas, false);
    check(d4.canvas, false);
}

TEST_F(RasterTest, EqualDepthOverwritesLowerDepthDoesNot) {
    auto quad = [](int32_t depth) {
        return std::vector<int32_t>{0, 0, depth, 8, 0, depth, 8, 8, depth, 0, 8, depth};
    };
    DepthCanvas d(8, 8);
    GRIB_FillPolygonZ(&d.image, quad(100).data(), 4, 1);
    EXPECT_EQ(d.canvas.at(3, 3), 1);
    EXPECT_EQ(d.depth[3 * 8 + 3], 100);
    GRIB_FillPolygonZ(&d.image, quad(100).data(), 4, 2);
    EXPECT_EQ(d.canvas.at(3, 3), 2);
    GRIB_FillPolygonZ(&d.image, quad(99).data(), 4, 3);
    EXPECT_EQ(d.canvas.at(3, 3), 2);
    EXPECT_EQ(d.depth[3 * 8 + 3], 100);
    // Only the low byte of the depth counts: 356 compares as 100.
    GRIB_FillPolygonZ(&d.image, quad(356).data(), 4, 4);
    EXPECT_EQ(d.canvas.at(3, 3), 4);

    Texture t(8, 8);
    std::fill(t.texels.begin(), t.texels.end(), 6);
    GRIB_DrawTexturedQuadZ(&d.image, &t.image, quad(99).data(), nullptr);
    EXPECT_EQ(d.canvas.at(3, 3), 4);
    GRIB_DrawTexturedQuadZ(&d.image, &t.image, quad(100).data(), nullptr);
    EXPECT_EQ(d.canvas.at(3, 3), 6);
}

TEST_F(RasterTest, LitSpansWithAndWithoutDepthBuffer) {
    const int32_t lit[16] = {0, 0, 10, 5, 8, 0, 10, 5, 8, 8, 10, 5, 0, 8, 10, 5};
    Texture t(8, 8);
    std::fill(t.texels.begin(), t.texels.end(), 40);
    {
        DepthCanvas d(8, 8, false);
        GRIB_DrawTexturedQuadZLit(&d.image, &t.image, lit, nullptr);
        EXPECT_EQ(d.canvas.at(2, 2), 40);  // textured path: plain texels
        GRIB_FillPolygonZLit(&d.image, lit, 4, 20);
        EXPECT_EQ(d.canvas.at(2, 2), 25);  // flat path: shaded colour
    }
    {
        DepthCanvas d(8, 8, true);
        GRIB_DrawTexturedQuadZLit(&d.image, &t.image, lit, nullptr);
        EXPECT_EQ(d.canvas.at(2, 2), 45);
        EXPECT_EQ(d.depth[2 * 8 + 2], 10);
        GRIB_FillPolygonZLit(&d.image, lit, 4, 20);
        EXPECT_EQ(d.canvas.at(2, 2), 25);
    }
    // Light interpolates across the span: level 0 on the left, 31 on the right.
    const int32_t ramp[16] = {0, 0, 1, 0, 32, 0, 1, 31, 32, 2, 1, 31, 0, 2, 1, 0};
    DepthCanvas d(33, 3, true);
    GRIB_FillPolygonZLit(&d.image, ramp, 4, 100);
    EXPECT_EQ(d.canvas.at(0, 0), 100);
    EXPECT_GT(d.canvas.at(31, 0), 125);
    for (int x = 1; x < 32; ++x) EXPECT_GE(d.canvas.at(x, 0), d.canvas.at(x - 1, 0));
}

// A texture of a power-of-two width drawn through its fast path must give the
// same pixels as the same texels inside a wider texture of a width that takes
// the multiply path.
TEST_F(RasterTest, PowerOfTwoWidthsMatchTheMultiplyPath) {
    for (int w : {8, 16, 32, 64, 128, 48}) {
        const int h = 12;
        Texture narrow(w, h), wide(w + 3 + (w == 48 ? 2 : 0), h);
        testsupport::Rng rng(w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t c = uint8_t(rng.next());
                narrow.texels[y * w + x] = c;
                wide.texels[y * wide.image.width + x] = c;
            }
        const int32_t coords[8] = {0, 0, w - 1, 0, w - 1, h - 1, 0, h - 1};
        const int32_t quad[8] = {3, 1, 90, 7, 70, 60, 1, 50};
        const int32_t quadZ[12] = {3, 1, 5, 90, 7, 5, 70, 60, 5, 1, 50, 5};
        const int32_t quadL[16] = {3, 1, 5, 2, 90, 7, 5, 9, 70, 60, 5, 20, 1, 50, 5, 4};
        Canvas a(96, 64), b(96, 64);
        GRIB_DrawTexturedQuad(&a.bitmap, &narrow.image, quad, nullptr);
        GRIB_DrawTexturedQuad(&b.bitmap, &wide.image, quad, coords);
        EXPECT_EQ(a.pixels, b.pixels) << "width " << w;
        DepthCanvas c(96, 64), d(96, 64);
        GRIB_DrawTexturedQuadZ(&c.image, &narrow.image, quadZ, nullptr);
        GRIB_DrawTexturedQuadZ(&d.image, &wide.image, quadZ, coords);
        EXPECT_EQ(c.canvas.pixels, d.canvas.pixels) << "width " << w;
        DepthCanvas e(96, 64), f(96, 64);
        GRIB_DrawTexturedQuadZLit(&e.image, &narrow.image, quadL, nullptr);
        GRIB_DrawTexturedQuadZLit(&f.image, &wide.image, quadL, coords);
        EXPECT_EQ(e.canvas.pixels, f.canvas.pixels) << "width " << w;
        EXPECT_GT(a.count(0), 0);
    }
}

TEST_F(RasterTest, TexelCornersMapToQuadCorners) {
    Texture t(4, 4);
    for (int i = 0; i < 16; ++i) t.texels[i] = uint8_t(10 + i);
    Canvas c(8, 8);
    const int32_t quad[8] = {0, 0, 8, 0, 8, 8, 0, 8};
    c.bitmap.clipRight = c.bitmap.clipBottom = 8;
    GRIB_DrawTexturedQuad(&c.bitmap, &t.image, quad, nullptr);
    EXPECT_EQ(c.at(0, 0), 10);
    EXPECT_EQ(c.at(7, 0), 12);  // affine: u reaches 3 only past the last column
    EXPECT_EQ(c.at(0, 7), 18);
    // Index 0 is no colour key: it is copied.
    std::fill(t.texels.begin(), t.texels.end(), 0);
    Canvas d(8, 8, 99);
    GRIB_DrawTexturedQuad(&d.bitmap, &t.image, quad, nullptr);
    EXPECT_EQ(d.at(3, 3), 0);
}

TEST_F(RasterTest, PolygonAboveClipTopEntersWithAdvancedAttributes) {
    Texture t(16, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 16; ++x) t.texels[y * 16 + x] = uint8_t(y * 3 + x);
    const int32_t quad[8] = {0, -20, 16, -20, 16, 40, 0, 40};
    Canvas whole(16, 40), clipped(16, 40);
    // Reference: the same quad drawn one row at a time via a tall canvas.
    std::vector<uint8_t> tallPixels(16 * 60);
    GribBitmap tall;
    tall.flags = 0;
    GRIB_InitBitmap(&tall, 16, 60, 16, tallPixels.data());
    const int32_t shifted[8] = {0, 0, 16, 0, 16, 60, 0, 60};
    GRIB_DrawTexturedQuad(&tall, &t.image, shifted, nullptr);
    clipped.bitmap.clipTop = 5;
    GRIB_DrawTexturedQuad(&clipped.bitmap, &t.image, quad, nullptr);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(clipped.at(3, y), 0);
    for (int y = 5; y < 39; ++y)
        for (int x = 0; x < 15; ++x) ASSERT_EQ(clipped.at(x, y), tallPixels[(y + 20) * 16 + x]) << x << "," << y;

    // The flat fill too: rows from the clip top only.
    Canvas f(8, 8);
    f.bitmap.clipTop = 3;
    const int32_t tri[6] = {4, -10, 7, 7, 0, 7};
    EXPECT_EQ(GRIB_FillPolygon(&f.bitmap, tri, 3, 1), 1);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(f.at(x, 2), 0);
    EXPECT_EQ(f.at(4, 3), 1);
}

TEST_F(RasterTest, RejectedPolygonsAndNullTargets) {
    Canvas c(8, 8);
    const int32_t left[8] = {-10, 0, -2, 0, -2, 5, -10, 5};
    const int32_t flat[8] = {0, 3, 5, 3, 5, 3, 0, 3};
    EXPECT_EQ(GRIB_FillPolygon(&c.bitmap, left, 4, 1), 0);
    EXPECT_EQ(GRIB_FillPolygon(&c.bitmap, flat, 4, 1), 0);
    EXPECT_EQ(GRIB_FillPolygon(&c.bitmap, left, 0, 1), 0);
    EXPECT_EQ(c.count(0), 64);
    // No screen exists in tests: a null target reports 0 and draws nothing.
    EXPECT_EQ(GRIB_FillPolygon(nullptr, kSquareCW, 4, 1), 0);
    EXPECT_EQ(GRIB_DrawLine(nullptr, 0, 0, 3, 3, 1), 0);
    EXPECT_EQ(GRIB_DrawPolyline(nullptr, kSquareCW, 4, 1), 0);
}

TEST_F(RasterTest, TargetsTallerThanTheRowTableFillInBands) {
    Canvas c(4, 5000);
    c.bitmap.clipRight = 4;
    c.bitmap.clipBottom = 5000;
    const int32_t quad[8] = {0, -100, 4, -100, 4, 6000, 0, 6000};
    EXPECT_EQ(GRIB_FillPolygon(&c.bitmap, quad, 4, 1), 1);
    EXPECT_EQ(c.count(1), 4 * 5000);
    // A textured quad across bands reads the texture continuously.
    Texture t(8, 64);
    for (int i = 0; i < 8 * 64; ++i) t.texels[i] = uint8_t(i / 8);
    Canvas d(4, 4200);
    d.bitmap.clipBottom = 4200;
    const int32_t q2[8] = {0, 0, 4, 0, 4, 4200, 0, 4200};
    GRIB_DrawTexturedQuad(&d.bitmap, &t.image, q2, nullptr);
    for (int y = 1; y < 4200; ++y) ASSERT_GE(d.at(1, y), d.at(1, y - 1)) << y;
    EXPECT_EQ(d.at(1, 4199), 62);
}

TEST_F(RasterTest, HostileCoordinatesStayInsideTheTarget) {
    Texture t(8, 8);
    std::fill(t.texels.begin(), t.texels.end(), 2);
    const int32_t coords[8] = {-100000, 5, 900000, -7, 3, 700000, 0, 0};
    testsupport::Rng rng(7);
    for (int i = 0; i < 300; ++i) {
        int32_t v[16];
        for (int32_t& x : v) x = int32_t(rng.next()) >> (rng.below(24));
        Canvas c(20, 20);
        GRIB_FillPolygon(&c.bitmap, v, 8, 1);
        GRIB_DrawTexturedQuad(&c.bitmap, &t.image, v, i % 2 ? coords : nullptr);
        DepthCanvas d(20, 20);
        GRIB_FillPolygonZLit(&d.image, v, 4, 1);
        GRIB_DrawTexturedQuadZLit(&d.image, &t.image, v, coords);
        GRIB_DrawLine(&c.bitmap, v[0], v[1], v[2], v[3], 3);
    }
}

TEST_F(RasterTest, LinesAndPolylinesClipAndDrawBothEndpoints) {
    struct Case {
        int32_t x0, y0, x1, y1;
        int32_t clip[4];  // left, top, right, bottom
        std::vector<std::pair<int, int>> lit;  // pixels that must be set
        int count;
    } cases[] = {
        {-5, -5, -1, 20, {0, 0, 9, 9}, {}, 0},
        {11, 0, 30, 9, {0, 0, 9, 9}, {}, 0},
        {0, 10, 9, 15, {0, 0, 9, 9}, {}, 0},
        {2, 3, 7, 3, {0, 0, 9, 9}, {{2, 3}, {7, 3}}, 6},
        {5, 8, 5, 6, {0, 0, 9, 9}, {{5, 6}, {5, 8}}, 3},
        {0, 0, 9, 9, {0, 0, 9, 9}, {{0, 0}, {4, 4}, {9, 9}}, 10},
        {8, 1, 0, 5, {0, 0, 9, 9}, {{0, 5}, {8, 1}}, 9},  // drawn from the left end, y falling
        {-4, 4, 20, 4, {2, 0, 6, 9}, {{2, 4}, {6, 4}}, 5},
        {-20, -20, 30, 30, {-50, -50, 50, 50}, {{0, 0}, {9, 9}}, 10},  // the bitmap's extent still clips
    };
    for (const Case& c : cases) {
        Canvas canvas(10, 10);
        canvas.bitmap.clipLeft = c.clip[0];
        canvas.bitmap.clipTop = c.clip[1];
        canvas.bitmap.clipRight = c.clip[2];
        canvas.bitmap.clipBottom = c.clip[3];
        EXPECT_EQ(GRIB_DrawLine(&canvas.bitmap, c.x0, c.y0, c.x1, c.y1, 1), 1);
        EXPECT_EQ(canvas.count(1), c.count) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1;
        for (auto [x, y] : c.lit) EXPECT_EQ(canvas.at(x, y), 1) << x << "," << y;
    }
    Canvas c(10, 10);
    const int32_t closed[10] = {1, 1, 8, 1, 8, 8, 1, 8, 1, 1};
    EXPECT_EQ(GRIB_DrawPolyline(&c.bitmap, closed, 5, 4), 1);
    EXPECT_EQ(c.count(4), 28);
    EXPECT_EQ(c.at(4, 4), 0);
    EXPECT_EQ(GRIB_DrawPolyline(&c.bitmap, closed, 1, 5), 1);
    EXPECT_EQ(c.count(5), 0);
}

}  // namespace
