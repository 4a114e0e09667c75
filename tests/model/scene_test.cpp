#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/env/env.h"
#include "model/piece.h"
#include "model/scene.h"
#include "tests/support/support.h"

namespace {

struct V3 {
    float x, y, z;
};

// A piece of its own vertices and one polygon per index list, of colours
// colour, colour + 1, ...
Piece* MakePiece(const std::vector<V3>& vs, const std::vector<std::vector<int32_t>>& polys, int32_t colour = 1) {
    Piece* p = NewPiece();
    p->vertexCount = int32_t(vs.size());
    if (!vs.empty()) p->vertices = static_cast<float(*)[3]>(GRIB_Alloc("Vertices", sizeof(float[3]) * vs.size()));
    for (size_t i = 0; i < vs.size(); ++i) std::memcpy(p->vertices[i], &vs[i], sizeof(float[3]));
    p->polygonCount = int32_t(polys.size());
    if (!polys.empty()) {
        p->polygons = static_cast<PiecePolygon*>(GRIB_Alloc("Polygons", sizeof(PiecePolygon) * polys.size()));
        std::memset(p->polygons, 0, sizeof(PiecePolygon) * polys.size());
    }
    for (size_t i = 0; i < polys.size(); ++i) {
        p->polygons[i].vertexCount = int32_t(polys[i].size());
        p->polygons[i].colourIndex = colour + int32_t(i);
        std::copy(polys[i].begin(), polys[i].end(), p->polygons[i].vertexIndices);
    }
    return p;
}

// A square facing the viewer (clockwise on screen).
Piece* Square(float half, float z, int32_t colour, float cx = 0, float cy = 0) {
    return MakePiece({{cx - half, cy + half, z}, {cx + half, cy + half, z}, {cx + half, cy - half, z}, {cx - half, cy - half, z}},
                     {{0, 1, 2, 3}}, colour);
}

struct Surface {
    std::vector<uint8_t> pixels;
    GribBitmap bitmap{};
    Surface(uint32_t w, uint32_t h) : pixels(size_t{w} * h, 0) { GRIB_InitBitmap(&bitmap, w, h, w, pixels.data()); }
    uint8_t at(int x, int y) const { return pixels[size_t(y) * bitmap.pitch + x]; }
    int count(uint8_t c) const { return int(std::count(pixels.begin(), pixels.end(), c)); }
    int nonzero() const { return int(pixels.size()) - count(0); }
};

ViewParams View() { return {1, 2.5, 0, 1, 0, -0.75f, -0.75f, -2.25f}; }

class SceneTest : public ::testing::Test {
protected:
    uint8_t* shade = nullptr;
    std::vector<int32_t> handles;
    std::vector<Piece*> trees;
    void SetUp() override {
        testsupport::StartGrib();
        // Every level L gives 100 + L, whatever the colour.
        shade = static_cast<uint8_t*>(GRIB_Alloc("SHADE TABLE", 8192));
        for (int i = 0; i < 8192; ++i) shade[i] = uint8_t(i / 256 + 100);
        GRIB_GetEnvironment()->shadeTable = shade;
    }
    void TearDown() override {
        for (int32_t h : handles) UnregisterTree(h);
        for (Piece* t : trees) FreePieceTree(t);
        GRIB_GetEnvironment()->shadeTable = nullptr;
        GRIB_Free(shade);
    }
    // Poses and draws a registered tree on a fresh surface.
    static Surface Draw(int32_t h, int mode = 1, uint32_t w = 200, uint32_t height = 100, ViewParams v = View()) {
        Surface s(w, height);
        v.depthMode = mode;
        AnimateTree(h);
        RenderTree(h, &s.bitmap, &v);
        return s;
    }
    int32_t Register(Piece* root, int32_t lit = 0) {
        trees.push_back(root);
        int32_t h = RegisterTree(root);
        handles.push_back(h);
        SetRenderOptions(h, 0, 1, 0, lit, 0, 0);
        return h;
    }
};

TEST_F(SceneTest, ProjectionOfTheWorkedExample) {
    Piece* p = MakePiece({{1, 2, 10}, {-1, -2, -10}}, {});
    Draw(Register(p));
    const WorkVertex* w = p->workVertices;
    EXPECT_EQ((std::vector<int>{w[0].screenX, w[0].screenY, w[0].depth, w[1].screenX, w[1].screenY, w[1].depth}),
              (std::vector<int>{102, 45, 16, 98, 55, -16}));
}

// Depth bytes, seen through which face wins: d = 127 - depth, clamped.
TEST_F(SceneTest, DepthBytesAndTheirClamps) {
    auto winner = [&](std::vector<std::pair<float, int32_t>> faces) {
        Piece* root = NewPiece();
        Piece** link = &root->child;
        for (auto [z, colour] : faces) {
            *link = Square(10, z, colour);
            link = &(*link)->sibling;
        }
        return Draw(Register(root)).at(100, 50);
    };
    // z = 10 gives depth 16, d = 111; 10.625 gives 17 (d = 110): farther; at equal depths the later face wins.
    // z × k ≤ -128 clamps to 255: -100 and -80 tie, -79 (d 253) loses. z × k ≥ 127 clamps to 0, which still
    // passes the cleared buffer.
    const std::pair<std::vector<std::pair<float, int32_t>>, int> cases[] = {
        {{{10, 1}, {10.625f, 2}}, 1}, {{{10, 1}, {10.0f, 2}}, 2}, {{{10.625f, 1}, {10, 2}}, 2},
        {{{-100, 1}, {-80, 2}, {-79, 3}}, 2}, {{{100, 4}}, 4}, {{{100, 4}, {79.375f, 5}}, 5}, {{{79.0f, 4}, {100, 5}}, 4}};
    for (const auto& [faces, want] : cases) EXPECT_EQ(winner(faces), want) << faces[0].first << " " << faces.size();
}

TEST_F(SceneTest, RegistrationOrderDecidesTiesHiddenPiecesAddNoPixels) {
    // r has child c; c has sibling s and child d. Order: r, c, s, d.
    Piece *r = Square(10, 0, 1), *c = Square(10, 0, 2), *s = Square(10, 0, 3), *d = Square(10, 0, 4);
    r->child = c;
    c->sibling = s;
    c->child = d;
    int32_t h = Register(r);
    EXPECT_EQ(Draw(h).at(100, 50), 4);
    d->fill = 0;  // a hidden piece adds no pixels but stays registered
    EXPECT_EQ(Draw(h).at(100, 50), 3);
    // Two polygons of one piece: index order.
    Piece* two = MakePiece({{-10, 10, 0}, {10, 10, 0}, {10, -10, 0}, {-10, -10, 0}}, {{0, 1, 2, 3}, {0, 1, 2, 3}}, 8);
    EXPECT_EQ(Draw(Register(two)).at(100, 50), 9);
    // Without the depth buffer too.
    Piece* root = Square(10, 0, 1);
    root->child = Square(10, -5, 2, 30, 0);
    int32_t hr = Register(root);
    root->child->fill = 0;
    Surface painted = Draw(hr, 0);
    EXPECT_EQ(painted.count(2), 0);
    EXPECT_GT(painted.count(1), 0);
}

TEST_F(SceneTest, HandlesAreReusedAndBadHandlesIgnored) {
    trees = {Square(1, 0, 1), Square(1, 0, 1), Square(1, 0, 1)};
    int32_t ha = RegisterTree(trees[0]), hb = RegisterTree(trees[1]);
    EXPECT_EQ((std::vector<int32_t>{ha, hb}), (std::vector<int32_t>{1, 2}));
    for (int32_t bad : {ha, 0, -3, 99}) UnregisterTree(bad);
    int32_t hc = RegisterTree(trees[2]);
    EXPECT_EQ(hc, 1);
    EXPECT_EQ(Draw(77, 1, 20, 20).nonzero(), 0);
    handles = {hb, hc};
}

TEST_F(SceneTest, PosesAccumulateThroughThreeLevels) {
    Piece *a = MakePiece({{0.5f, 0, 0}}, {}), *b = MakePiece({{0, 0.5f, 0}}, {}), *c = MakePiece({{0, 0, 0.5f}}, {});
    Piece* sib = MakePiece({{0, 0, 0}}, {});
    a->child = b;
    b->child = c;
    a->sibling = sib;  // the root's siblings are not posed
    for (auto [p, axis, v] : {std::tuple{a, 0, 1.f}, {b, 1, 2.f}, {c, 2, 4.f}, {sib, 0, 5.f}}) p->offset[axis] = v;
    int32_t h = Register(a);
    AnimateTree(h);
    auto at = [](const Piece* p) {
        return std::vector<double>{p->workVertices[0].x, p->workVertices[0].y, p->workVertices[0].z};
    };
    EXPECT_EQ((std::vector<std::vector<double>>{at(a), at(b), at(c), at(sib)}),
              (std::vector<std::vector<double>>{{1.5, 0, 0}, {1, 2.5, 0}, {1, 2, 4.5}, {0, 0, 0}}));
    // A quarter turn about y of the middle piece carries its child along:
    // c's vertex (0, 0, 4.5) relative to b turns to (4.5, 0, 0), while b's
    // own vertex on the axis stays put. Rotation order: y, then x, then z, so
    // (0, 0, 1) turned by ay = ax = 90° goes to (1, 0, 0) and stays there.
    b->angleY = M_PI / 2;
    AnimateTree(h);
    Piece* r = MakePiece({{0, 0, 1}}, {});
    r->angleY = r->angleX = M_PI / 2;
    AnimateTree(Register(r));
    const std::vector<double> want[] = {{5.5, 2, 0}, {1, 2.5, 0}, {1, 0, 0}};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(at(std::vector<Piece*>{c, b, r}[k])[i], want[k][i], 1e-12) << k << i;
}

TEST_F(SceneTest, DegenerateAndUnknownTexturePolygonsDrawNothing) {
    Piece* p = MakePiece({{-10, 10, 0}, {10, 10, 0}, {10, -10, 0}}, {{}, {0}, {0, 1}, {0, 0, 0}}, 5);
    int32_t h = Register(p, 1);
    for (int mode = 0; mode < 2; ++mode) EXPECT_EQ(Draw(h, mode).nonzero(), 0);
    Piece* t = MakePiece({{-10, 10, 0}, {10, 10, 0}, {10, -10, 0}, {-10, -10, 0}}, {{0, 1, 2, 3}, {0, 1}}, 5);
    for (int i = 0; i < 2; ++i) {
        t->polygons[i].textured = 1;
        std::strcpy(t->polygons[i].textureName, "no such texture");
    }
    h = Register(t, 1);
    for (int mode = 0; mode < 2; ++mode) EXPECT_EQ(Draw(h, mode).nonzero(), 0);
    // With solid override the same polygon is filled.
    SetRenderOptions(h, 0, 1, 1, 0, 0, 61);
    EXPECT_EQ(Draw(h).at(100, 50), 61);
}

}  // namespace
