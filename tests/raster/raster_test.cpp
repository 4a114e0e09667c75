#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
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
    int count(uint8_t c) const { return int(std::count(pixels.begin(), pixels.end(), c)); }
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
    Texture(int w, int h, uint8_t fill = 0) : texels(size_t(w) * h, fill) {
        image.width = uint16_t(w);
        image.height = uint16_t(h);
        image.data = texels.data();
        image.dataSize = texels.size();
    }
};

class RasterTest : public ::testing::Test {
protected:
    uint8_t* shadeBlock = nullptr;
    void SetUp() override {
        testsupport::StartGrib();
        // Level L maps colour c to (c + L) & 0xFF: easy to predict.
        shadeBlock = static_cast<uint8_t*>(GRIB_Alloc("SHADE TABLE", 8192));
        for (int i = 0; i < 8192; ++i) shadeBlock[i] = uint8_t(i % 256 + i / 256);
        GRIB_GetEnvironment()->shadeTable = shadeBlock;
    }
    void TearDown() override {
        GRIB_GetEnvironment()->shadeTable = nullptr;
        GRIB_Free(shadeBlock);
    }
};

// The polygon (x, y pairs) filled by each of the six fillers on its own
// canvas: flat and lit fills in colour 7 at light level 0, textured ones from
// a texture of 7s, the depth-tested ones at depth 1. The bitmap fillers' clip
// is raised by `raise`.
std::vector<std::vector<uint8_t>> FillAll(const std::vector<int32_t>& xy, uint32_t w, uint32_t h, int raise = 0) {
    Texture t(8, 8, 7);
    std::vector<int32_t> z, lit;
    for (size_t i = 0; i < xy.size(); i += 2) {
        z.insert(z.end(), {xy[i], xy[i + 1], 1});
        lit.insert(lit.end(), {xy[i], xy[i + 1], 1, 0});
    }
    const int32_t n = int32_t(xy.size() / 2);
    std::vector<std::vector<uint8_t>> out;
    for (int k = 0; k < 6; ++k) {
        Canvas c(w, h);
        c.bitmap.clipRight += raise;
        c.bitmap.clipBottom += raise;
        DepthCanvas d(w, h);
        if (k == 0) {
            EXPECT_EQ(GRIB_FillPolygon(&c.bitmap, xy.data(), n, 7), 1);
        }
        if (k == 1) GRIB_DrawTexturedQuad(&c.bitmap, &t.image, xy.data(), nullptr);
        if (k == 2) GRIB_FillPolygonZ(&d.image, z.data(), n, 7);
        if (k == 3) GRIB_FillPolygonZLit(&d.image, lit.data(), n, 7);
        if (k == 4) GRIB_DrawTexturedQuadZ(&d.image, &t.image, z.data(), nullptr);
        if (k == 5) GRIB_DrawTexturedQuadZLit(&d.image, &t.image, lit.data(), nullptr);
        out.push_back(k < 2 ? c.pixels : d.canvas.pixels);
    }
    return out;
}

const int32_t kSquareCW[8] = {2, 2, 12, 2, 12, 12, 2, 12};

TEST_F(RasterTest, EveryFillerTakesTheSamePixels) {
    const std::vector<int32_t> cw(kSquareCW, kSquareCW + 8), ccw = {2, 2, 2, 12, 12, 12, 12, 2};
    // Columns 2..11 and rows 2..11; nothing counter-clockwise.
    for (const auto& [square, count] : {std::pair{cw, 100}, {ccw, 0}})
        for (const std::vector<uint8_t>& pixels : FillAll(square, 16, 16)) {
            EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 7), count);
            EXPECT_EQ(pixels[2 * 16 + 2] + pixels[11 * 16 + 11], count ? 14 : 0);
        }
    // A quad of a repeated vertex fills like the triangle.
    Canvas tri(16, 16);
    const int32_t t[6] = {3, 1, 14, 9, 1, 13};
    GRIB_FillPolygon(&tri.bitmap, t, 3, 7);
    EXPECT_GT(tri.count(7), 40);
    for (const std::vector<uint8_t>& pixels : FillAll({3, 1, 14, 9, 1, 13, 3, 1}, 16, 16)) EXPECT_EQ(pixels, tri.pixels);
    // A fresh clip never takes the last row and column, a raised one does; the
    // depth-tested fillers clip to the image, whose last row and column stay.
    for (int raise = 0; raise < 2; ++raise) {
        std::vector<std::vector<uint8_t>> all = FillAll({0, 0, 10, 0, 10, 10, 0, 10}, 10, 10, raise);
        for (size_t k = 0; k < all.size(); ++k)
            for (int i = 0; i < 100; ++i)
                EXPECT_EQ(all[k][i] != 0, (raise && k < 2) || (i % 10 < 9 && i / 10 < 9)) << k << " pixel " << i;
    }
}

TEST_F(RasterTest, EqualDepthOverwritesLowerDepthDoesNot) {
    Texture t(8, 8, 6);
    DepthCanvas d(8, 8);
    // Textured or flat, depth, colour, the pixel after. Only the low byte of
    // the depth counts: 356 compares as 100.
    const std::tuple<bool, int32_t, uint8_t, int> steps[] = {
        {false, 100, 1, 1}, {false, 100, 2, 2}, {false, 99, 3, 2}, {false, 356, 4, 4}, {true, 99, 0, 4}, {true, 100, 0, 6}};
    for (auto [textured, z, colour, want] : steps) {
        const int32_t quad[12] = {0, 0, z, 8, 0, z, 8, 8, z, 0, 8, z};
        if (textured) GRIB_DrawTexturedQuadZ(&d.image, &t.image, quad, nullptr);
        else GRIB_FillPolygonZ(&d.image, quad, 4, colour);
        EXPECT_EQ(d.canvas.at(3, 3), want) << z;
        EXPECT_EQ(d.depth[3 * 8 + 3], 100) << z;
    }
}

TEST_F(RasterTest, LitSpansWithAndWithoutDepthBuffer) {
    const int32_t lit[16] = {0, 0, 10, 5, 8, 0, 10, 5, 8, 8, 10, 5, 0, 8, 10, 5};
    Texture t(8, 8, 40);
    for (bool withDepth : {false, true}) {
        DepthCanvas d(8, 8, withDepth);
        GRIB_DrawTexturedQuadZLit(&d.image, &t.image, lit, nullptr);
        EXPECT_EQ(d.canvas.at(2, 2), withDepth ? 45 : 40);  // no depth buffer: plain texels
        EXPECT_EQ(d.depth[2 * 8 + 2], withDepth ? 10 : 0);
        GRIB_FillPolygonZLit(&d.image, lit, 4, 20);
        EXPECT_EQ(d.canvas.at(2, 2), 25);  // flat: the shaded colour either way
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
            for (int x = 0; x < w; ++x) narrow.texels[y * w + x] = wide.texels[y * wide.image.width + x] = uint8_t(rng.next());
        const int32_t coords[8] = {0, 0, w - 1, 0, w - 1, h - 1, 0, h - 1};
        const int32_t quad[8] = {3, 1, 90, 7, 70, 60, 1, 50};
        const int32_t quadZ[12] = {3, 1, 5, 90, 7, 5, 70, 60, 5, 1, 50, 5};
        const int32_t quadL[16] = {3, 1, 5, 2, 90, 7, 5, 9, 70, 60, 5, 20, 1, 50, 5, 4};
        Canvas a(96, 64), b(96, 64);
        GRIB_DrawTexturedQuad(&a.bitmap, &narrow.image, quad, nullptr);
        GRIB_DrawTexturedQuad(&b.bitmap, &wide.image, quad, coords);
        EXPECT_EQ(a.pixels, b.pixels) << "width " << w;
        EXPECT_GT(a.count(0), 0);
        for (auto draw : {GRIB_DrawTexturedQuadZ, GRIB_DrawTexturedQuadZLit}) {
            DepthCanvas c(96, 64), d(96, 64);
            draw(&c.image, &narrow.image, draw == GRIB_DrawTexturedQuadZ ? quadZ : quadL, nullptr);
            draw(&d.image, &wide.image, draw == GRIB_DrawTexturedQuadZ ? quadZ : quadL, coords);
            EXPECT_EQ(c.canvas.pixels, d.canvas.pixels) << "width " << w;
        }
    }
}

TEST_F(RasterTest, TexelCornersMapToQuadCorners) {
    Texture t(4, 4);
    for (int i = 0; i < 16; ++i) t.texels[i] = uint8_t(10 + i);
    Canvas c(8, 8), d(8, 8, 99);
    const int32_t quad[8] = {0, 0, 8, 0, 8, 8, 0, 8};
    c.bitmap.clipRight = c.bitmap.clipBottom = 8;
    GRIB_DrawTexturedQuad(&c.bitmap, &t.image, quad, nullptr);
    // Affine: u reaches 3 only past the last column.
    EXPECT_EQ((std::vector<int>{c.at(0, 0), c.at(7, 0), c.at(0, 7)}), (std::vector<int>{10, 12, 18}));
    // Index 0 is no colour key: it is copied.
    std::fill(t.texels.begin(), t.texels.end(), 0);
    GRIB_DrawTexturedQuad(&d.bitmap, &t.image, quad, nullptr);
    EXPECT_EQ(d.at(3, 3), 0);
}

TEST_F(RasterTest, PolygonAboveClipTopEntersWithAdvancedAttributes) {
    Texture t(16, 64);
    for (int i = 0; i < 16 * 64; ++i) t.texels[i] = uint8_t(i / 16 * 3 + i % 16);
    // Reference: the quad shifted down by 20 on a taller canvas.
    const int32_t quad[8] = {0, -20, 16, -20, 16, 40, 0, 40}, shifted[8] = {0, 0, 16, 0, 16, 60, 0, 60};
    Canvas clipped(16, 40), tall(16, 60);
    GRIB_DrawTexturedQuad(&tall.bitmap, &t.image, shifted, nullptr);
    clipped.bitmap.clipTop = 5;
    GRIB_DrawTexturedQuad(&clipped.bitmap, &t.image, quad, nullptr);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(clipped.at(3, y), 0);
    for (int y = 5; y < 39; ++y)
        for (int x = 0; x < 15; ++x) ASSERT_EQ(clipped.at(x, y), tall.at(x, y + 20)) << x << "," << y;
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
    EXPECT_EQ(GRIB_FillPolygon(&c.bitmap, left, 4, 1) + GRIB_FillPolygon(&c.bitmap, flat, 4, 1) +
                  GRIB_FillPolygon(&c.bitmap, left, 0, 1),
              0);
    EXPECT_EQ(c.count(0), 64);
    // No screen exists in tests: a null target reports 0 and draws nothing.
    EXPECT_EQ(GRIB_FillPolygon(nullptr, kSquareCW, 4, 1) + GRIB_DrawLine(nullptr, 0, 0, 3, 3, 1) +
                  GRIB_DrawPolyline(nullptr, kSquareCW, 4, 1),
              0);
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

// Random coordinates of every magnitude: the bitmap fillers and lines write
// inside the clip only, the depth-tested ones inside the image (the sanitizer
// build checks that).
TEST_F(RasterTest, HostileCoordinatesStayInsideTheTarget) {
    Texture t(8, 8, 2);
    const int32_t coords[8] = {-100000, 5, 900000, -7, 3, 700000, 0, 0};
    testsupport::Rng rng(7);
    for (int i = 0; i < 300; ++i) {
        int32_t v[16];
        for (int32_t& x : v) x = int32_t(rng.next()) >> (rng.below(24));
        Canvas c(20, 20);
        DepthCanvas d(20, 20);
        std::tie(c.bitmap.clipLeft, c.bitmap.clipTop, c.bitmap.clipRight, c.bitmap.clipBottom) = std::tuple(2, 2, 17, 17);
        GRIB_FillPolygon(&c.bitmap, v, 8, 1);
        GRIB_DrawTexturedQuad(&c.bitmap, &t.image, v, i % 2 ? coords : nullptr);
        GRIB_DrawLine(&c.bitmap, v[0], v[1], v[2], v[3], 3);
        GRIB_FillPolygonZLit(&d.image, v, 4, 1);
        GRIB_DrawTexturedQuadZLit(&d.image, &t.image, v, coords);
        for (int k = 0; k < 400; ++k)
            ASSERT_TRUE(!c.pixels[k] || (k % 20 >= 2 && k % 20 <= 17 && k / 20 >= 2 && k / 20 <= 17)) << i << " " << k;
    }
}

TEST_F(RasterTest, LinesAndPolylinesClipAndDrawBothEndpoints) {
    struct Case {
        int32_t x0, y0, x1, y1;
        int count;
        std::vector<std::pair<int, int>> lit;  // pixels that must be set
        int32_t clip[4] = {0, 0, 9, 9};        // left, top, right, bottom
    } cases[] = {  // (8, 1)-(0, 5) is drawn from the left end, y falling; the bitmap's extent still clips
        {-5, -5, -1, 20, 0, {}}, {11, 0, 30, 9, 0, {}}, {0, 10, 9, 15, 0, {}}, {2, 3, 7, 3, 6, {{2, 3}, {7, 3}}},
        {5, 8, 5, 6, 3, {{5, 6}, {5, 8}}}, {0, 0, 9, 9, 10, {{0, 0}, {4, 4}, {9, 9}}}, {8, 1, 0, 5, 9, {{0, 5}, {8, 1}}},
        {-4, 4, 20, 4, 5, {{2, 4}, {6, 4}}, {2, 0, 6, 9}}, {-20, -20, 30, 30, 10, {{0, 0}, {9, 9}}, {-50, -50, 50, 50}}};
    for (const Case& c : cases) {
        Canvas canvas(10, 10);
        std::tie(canvas.bitmap.clipLeft, canvas.bitmap.clipTop, canvas.bitmap.clipRight, canvas.bitmap.clipBottom) =
            std::tie(c.clip[0], c.clip[1], c.clip[2], c.clip[3]);
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
