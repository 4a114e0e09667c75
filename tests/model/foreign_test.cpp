#include <gtest/gtest.h>

#include "grib/env/env.h"
#include "model/piece.h"
#include "model/readers.h"
#include "model/scene.h"
#include "tests/model/model_support.h"
#include "tests/support/support.h"

using namespace modeltest;

namespace {

class ForeignTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    void SetUp() override { testsupport::StartGrib(); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) { return dir.write(name, bytes).string(); }
};

std::vector<uint8_t> Tri3ds(float base) {
    return Mesh3ds({base, 0, 0, base + 20, 0, 0, base, 20, 0}, {0, 1, 2});
}

TEST_F(ForeignTest, ThreeDsObjectsScaleAndOrder) {
    auto file = File3ds({Object3ds("first", Tri3ds(20)), Object3ds("second", Tri3ds(40)), Object3ds("third", Tri3ds(60))});
    Model root = Own(LoadModel(Write("three.3ds", file).c_str(), MODEL_TYPE_DETECT));
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(Shape(root.get()), "three  ");  // siblings without names, no children
    // Order root (first), third, second; 20 file units are 1 model unit.
    EXPECT_EQ((std::vector<float>{root->vertices[0][0], root->sibling->vertices[0][0],
                                  root->sibling->sibling->vertices[0][0], root->vertices[2][1]}),
              (std::vector<float>{1, 3, 2, 1}));
    ASSERT_EQ(root->polygonCount, 1);
    const PiecePolygon& g = root->polygons[0];
    EXPECT_EQ((std::vector<int>{g.vertexCount, g.vertexIndices[2], g.textured, g.colourIndex, root->selectionPolygon}),
              (std::vector<int>{3, 2, 0, 0, -1}));
}

// Pieces and polygons drawable (indices inside), or "none".
std::string Summary(const Model& m) {
    int pieces = 0, drawn = 0;
    ForEachPiece(m.get(), [&](Piece* p) {
        ++pieces;
        for (int i = 0; i < p->polygonCount; ++i) drawn += p->polygons[i].vertexCount > 0;
    });
    return m ? std::to_string(pieces) + " " + std::to_string(drawn) : "none";
}

TEST_F(ForeignTest, ThreeDsReadingStopsAtABadObject) {
    const std::vector<uint8_t> a = Object3ds("a", Tri3ds(20)), c = Object3ds("c", Tri3ds(40)),
                               lamp = Object3ds("lamp", Chunk(0x4600, {0, 0, 0, 0}));  // no triangle mesh
    const std::vector<uint8_t> tri = Tri3ds(20), verts(tri.begin() + 6, tri.begin() + 50);
    auto mesh = [&](const std::vector<uint8_t>& faces) { return File3ds({Object3ds("m", Chunk(0x4100, Cat({verts, faces})))}); };
    // In turn: 3 vertex bytes for 12; an object without a mesh, after a good one or alone; bytes too few for a
    // chunk header; a chunk shorter than its header; no faces; more faces than the chunk holds; a negative count;
    // no faces by count; faces pointing past or before the vertices, kept empty.
    const std::pair<std::vector<uint8_t>, const char*> cases[] = {
        {File3ds({a, Object3ds("b", Chunk(0x4100, Chunk(0x4110, {1, 0, 0, 0, 0}))), c}), "1 1"},
        {File3ds({a, lamp, c}), "1 1"}, {File3ds({lamp}), "none"}, {File3ds({a, {1, 2, 3}}), "1 1"},
        {File3ds({{0x00, 0x40, 2, 0, 0, 0}}), "none"}, {mesh({}), "none"}, {mesh(Chunk(0x4120, {5, 0})), "none"},
        {mesh(Chunk(0x4120, {0xFF, 0xFF})), "none"}, {mesh(Chunk(0x4120, {0, 0})), "1 0"},
        {File3ds({Object3ds("m", Mesh3ds({0, 0, 0, 20, 0, 0, 0, 20, 0}, {0, 1, 2, 0, 9, 1, 0xFFFF, 1, 2}))}), "1 1"}};
    for (const auto& [file, want] : cases) EXPECT_EQ(Summary(Own(Load3dsModel(Write("d.3ds", file).c_str()))), want);
    EXPECT_EQ(Load3dsModel((dir.str() + "/missing.3ds").c_str()), nullptr);
}

TEST_F(ForeignTest, LightWaveScalePivotAndOddChunks) {
    std::vector<float> pts;
    for (int i = 0; i < 6; ++i) pts.insert(pts.end(), {float(i), float(2 * i), 1.0f});
    std::vector<uint8_t> odd = IffChunk("SRFS", {'a', 'b', 'c'});  // odd size, pad byte follows
    Model p = Own(LoadModel(Write("obj.lwo", Lwo({Points(pts), odd, Pols({{0, 1, 2}, {5}, {2, 3, 4, 1}})})).c_str(),
                            MODEL_TYPE_DETECT));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->name, "obj");
    ASSERT_EQ((std::vector<int>{p->vertexCount, p->polygonCount}), (std::vector<int>{6, 2}));  // a pivot, no polygon
    EXPECT_EQ((std::vector<int>{p->polygons[1].vertexCount, p->polygons[1].vertexIndices[3]}), (std::vector<int>{4, 1}));
    EXPECT_EQ((std::vector<float>{p->offset[0], p->offset[1], p->vertices[5][0], p->vertices[5][1], p->vertices[5][2],
                                  p->vertices[1][0]}),
              (std::vector<float>{5, 10, 0, 0, 0, 1 - 5}));
    EXPECT_DOUBLE_EQ(p->workVertices[1].x, 1.0);  // rest pose: back in place

    // Coordinates stay as they are without a pivot.
    p = Own(LoadLwoModel(Write("plain.lwo", Lwo({Points({1, 1, 1, 0, 0, 0, 2, 0, 0}), Pols({{0, 1, 2}})})).c_str()));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((std::vector<float>{p->vertices[0][0], p->offset[0]}), (std::vector<float>{1, 0}));
}

TEST_F(ForeignTest, LightWaveDamage) {
    const std::vector<uint8_t> pts = Points({0, 0, 0, 1, 0, 0, 0, 1, 0});
    std::vector<uint8_t> big = Lwo({Points({1, 1, 1})}), longForm = Lwo({pts, Pols({{0, 1, 2}})});
    big[19] = 0x7F;      // a chunk claiming more than the file holds
    longForm[7] += 100;  // the form claiming more: what was read stays
    // Out-of-range indices: polygon kept empty; more than 16 vertices: dropped. Then a polygon cut by the
    // chunk's end, no points, no polygons.
    const std::pair<std::vector<uint8_t>, const char*> cases[] = {
        {{'F', 'O', 'R', 'M', 0, 0, 0, 4, 'L', 'W', 'O', '2'}, "none"},
        {{'F', 'A', 'R', 'M', 0, 0, 0, 4, 'L', 'W', 'O', 'B'}, "none"}, {{'F', 'O'}, "none"}, {big, "none"},
        {longForm, "1 1"},
        {Lwo({Pols({{0, 1, 7}, std::vector<uint16_t>(17, 0), {0, 1, 2}, {0, 0xFFFF, 1}}), pts}), "1 1"},
        {Lwo({pts, IffChunk("POLS", {0, 5, 0, 0})}), "1 0"}, {Lwo({Pols({{0, 1, 2}})}), "1 0"}, {Lwo({pts}), "1 0"}};
    for (const auto& [file, want] : cases) EXPECT_EQ(Summary(Own(LoadLwoModel(Write("d.lwo", file).c_str()))), want);
    // A pivot outside the points is no pivot.
    Model p = Own(LoadLwoModel(Write("p.lwo", Lwo({pts, Pols({{9}, {0, 1, 2}})})).c_str()));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((std::vector<float>{p->offset[0], p->vertices[1][0]}), (std::vector<float>{0, 1}));
}

TEST_F(ForeignTest, LightWaveDetailSurfaceEndsTheProgram) {
    std::string path = Write("d.lwo", Lwo({Points({0, 0, 0, 1, 0, 0, 0, 1, 0}), Pols({{0, 1, 2}}, {-1})}));
    EXPECT_EXIT(LoadLwoModel(path.c_str()), ::testing::ExitedWithCode(1),
                "Lightwave Object Error: Polygon has a detail surface -- you are screwed.");
    // A seam that returns: the reader gives up on the file.
    static std::string caption;
    ModelFatalBoxFn saved = g_modelFatalBox;
    g_modelFatalBox = [](const char* c, const char*) { caption = c; };
    EXPECT_EQ(LoadLwoModel(path.c_str()), nullptr);
    EXPECT_EQ(caption, "Lightwave Object Error");
    g_modelFatalBox = saved;
}

}  // namespace
