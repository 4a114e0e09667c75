#include <gtest/gtest.h>

#include <cmath>

#include "grib/env/env.h"
#include "model/piece.h"
#include "model/readers.h"
#include "tests/model/model_support.h"
#include "tests/support/support.h"

using namespace modeltest;

namespace {

class Load3doTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::unique_ptr<testsupport::ScopedCwd> cwd;
    void SetUp() override {
        testsupport::StartGrib();
        cwd = std::make_unique<testsupport::ScopedCwd>(dir.path());
    }
    Model Load(const std::vector<uint8_t>& bytes) {
        dir.write("objects3d/sample.3do", bytes);
        return Own(LoadModel("objects3d\\sample.3do", MODEL_TYPE_DETECT));
    }
};

TEST_F(Load3doTest, ConvertsUnitsNamesAndPolygons) {
    KitModelPiece p;
    p.offset = {163840, -163840, 327680};
    p.secondName = "kept";
    p.selection = 1;
    p.vertices = {{163840, 0, -163840}, {0, 81920, 0}, {1, 2, 3}};
    p.polygons = {Solid(12, {2, 1, 0}), Textured("metal01", {0, 1, 2})};
    p.polygons[1].colour = 77;  // ignored: bit 0 of the flag is clear
    Model root = Load(KitWrite3do({p}));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name, "sample");  // no name in the file: the file's name
    EXPECT_STREQ(root->secondName, "kept");
    EXPECT_EQ(root->selectionPolygon, 1);
    EXPECT_EQ((std::vector<float>{root->offset[0], root->offset[1], root->restOffset[2], root->vertices[0][0],
                                  root->vertices[0][2], root->vertices[1][1], root->vertices[2][0]}),
              (std::vector<float>{1, -1, 2, 1, -1, 0.5f, 1 * MODEL_FILE_SCALE}));
    ASSERT_EQ(root->polygonCount, 2);
    const PiecePolygon* g = root->polygons;
    EXPECT_EQ((std::vector<int>{g[0].textured, g[0].colourIndex, g[0].vertexIndices[0], g[1].textured,
                                g[1].colourIndex}),
              (std::vector<int>{0, 12, 2, 1, 0}));
    EXPECT_STREQ(g[1].textureName, "metal01");
    EXPECT_DOUBLE_EQ(root->workVertices[0].x, 2.0) << "rest pose: vertex + offset";
}

TEST_F(Load3doTest, TreeKeepsItsShapeAndRestPoseAccumulatesOffsets) {
    auto piece = [](const char* name, std::array<int32_t, 3> offset) {
        KitModelPiece p;
        p.name = name;
        p.offset = offset;
        p.vertices = {{FU(0.5), 0, 0}};
        return p;
    };
    // b, a sibling of a, adds the root's offset only; s, the root's sibling,
    // has no vertices and no polygons but stays.
    KitModelPiece root = piece("root", {FU(1), 0, 0}), a = piece("a", {FU(2), 0, 0}), s;
    s.name = "s";
    a.children = {piece("c", {FU(4), 0, 0})};
    root.children = {a, piece("b", {0, FU(8), 0})};
    Model m = Load(KitWrite3do({root, s}));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(Shape(m.get()), "root(a(c) b) s");
    const Piece *pa = m->child, *pb = pa->sibling, *pc = pa->child;
    EXPECT_EQ((std::vector<double>{m->workVertices[0].x, pa->workVertices[0].x, pc->workVertices[0].x,
                                   pb->workVertices[0].x, pb->workVertices[0].y}),
              (std::vector<double>{1.5, 3.5, 7.5, 1.5, 8}));
    EXPECT_EQ((std::vector<float>{pc->restOffset[0], pb->restOffset[1], float(m->sibling->vertexCount)}),
              (std::vector<float>{4, 8, 0}));
}

TEST_F(Load3doTest, LongChainsAndDeepTreesLoad) {
    KitModelPiece root;
    root.children.resize(3001);
    KitModelPiece* deep = &root.children.back();  // the last of 3001 children heads a chain of 400
    for (int i = 1; i < 400; ++i) deep = &deep->children.emplace_back();
    Model m = Load(KitWrite3do({root}));
    ASSERT_NE(m, nullptr);
    int n = 0;
    ForEachPiece(m.get(), [&](Piece*) { ++n; });
    EXPECT_EQ(n, 1 + 3000 + 400);
}

TEST_F(Load3doTest, HighVertexIndicesAreUnsigned) {
    KitModelPiece p;
    p.vertices.resize(65536);
    p.polygons = {Solid(1, {0x8000, 0xFFFF, 1})};
    Model m = Load(KitWrite3do({p}));
    ASSERT_NE(m, nullptr);
    const PiecePolygon& g = m->polygons[0];
    EXPECT_EQ((std::vector<int>{g.vertexCount, g.vertexIndices[0], g.vertexIndices[1]}),
              (std::vector<int>{3, 32768, 65535}));
}

TEST_F(Load3doTest, DamagedItemsAreCutOrEmptied) {
    KitModelPiece p = Square(std::string(300, 'n'), 1, 0, 1);
    p.secondName = std::string(400, 's');
    p.polygons.push_back(Textured(std::string(500, 't'), {0, 1, 2}));
    p.polygons.push_back(Solid(4, {0, 4, 1}));                     // 4 is beyond the 4 vertices
    p.polygons.push_back(Solid(3, std::vector<uint16_t>(17, 1)));  // more than 16
    Model m = Load(KitWrite3do({p}));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->polygonCount, 4);
    const PiecePolygon* g = m->polygons;
    EXPECT_EQ((std::vector<size_t>{std::strlen(m->name), std::strlen(m->secondName), std::strlen(g[1].textureName),
                                   size_t(g[0].vertexCount), size_t(g[2].vertexCount), size_t(g[3].vertexCount)}),
              (std::vector<size_t>{255, 255, 267, 4, 0, 0}));
}

TEST_F(Load3doTest, BrokenStructureIsRejected) {
    KitModelPiece root = Square("root", 1, 0, 1);
    root.children = {Square("child", 1, 0, 2)};
    root.polygons = {Textured("skin", {0, 1, 2, 3})};
    std::vector<uint8_t> good = KitWrite3do({root});
    auto put = [](std::vector<uint8_t> b, size_t at, int32_t v) {
        std::memcpy(&b[at], &v, 4);
        return b;
    };
    int32_t childAt, polygonAt, end = int32_t(good.size());
    std::memcpy(&childAt, &good[48], 4);
    std::memcpy(&polygonAt, &good[40], 4);
    // Sibling offset 0 means "none", so the root can't be reached again. In turn: the root's sibling is its
    // child (a shared record); a child, a sibling of itself; a child outside the file, a record cut by its end;
    // vertices beyond the file; negative counts; polygons beyond and before the file; a name outside the file;
    // the vertex array before it; a polygon's negative vertex count, its indices beyond the file and before it.
    const size_t child = size_t(childAt), polygon = size_t(polygonAt);
    const std::vector<uint8_t> bad[] = {
        put(good, 44, childAt), put(good, child + 48, childAt), put(good, child + 44, childAt), put(good, 48, end),
        put(good, 48, end - 10), put(good, 4, 100000), put(good, 4, -1), put(good, 8, -1), put(good, 8, 100000),
        put(good, 40, -8), put(good, 28, end + 5), put(good, 36, -8), put(good, polygon + 4, -1),
        put(good, polygon + 4, 100000), put(good, polygon + 12, -2)};
    for (size_t i = 0; i < std::size(bad); ++i) EXPECT_EQ(Load(bad[i]), nullptr) << i;
    // A name running to the end of the file without its terminator.
    std::vector<uint8_t> unterminated = put(good, 28, end - 1);
    unterminated.back() = 'x';
    EXPECT_EQ(Load(unterminated), nullptr);
    EXPECT_EQ(LoadModel("objects3d\\missing.3do", 1), nullptr);
    EXPECT_EQ(LoadModel("objects3d\\sample.3do", 5), nullptr);
    // A texture name outside the file is only left empty.
    Model m = Load(put(good, polygon + 16, end + 5));
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->polygons[0].textureName, "");
}

TEST_F(Load3doTest, TypeDetectionByFirstBytes) {
    // Two bytes decide.
    const std::pair<std::string, int32_t> cases[] = {{std::string("FORM\0\0\0\4LWOB", 12), MODEL_TYPE_LWO},
        {std::string("MM\x10\0\0\0", 6), MODEL_TYPE_3DS}, {"MZxx", MODEL_TYPE_3DO}, {"MM", MODEL_TYPE_3DS}};
    for (const auto& [bytes, type] : cases) {
        dir.write("a.3do", bytes);
        EXPECT_EQ(DetectModelType("a.3do"), type) << bytes;
    }
    EXPECT_EQ(DetectModelType("none.3do"), 0);
}

}  // namespace
