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
    Piece* Load(const std::vector<uint8_t>& bytes, const char* name = "objects3d\\sample.3do") {
        std::string disk(name);
        for (char& c : disk)
            if (c == '\\') c = '/';
        dir.write(disk, bytes);
        return LoadModel(name, MODEL_TYPE_DETECT);
    }
};

int CountPieces(Piece* root) {
    int n = 0;
    ForEachPiece(root, [&](Piece*) { ++n; });
    return n;
}

TEST_F(Load3doTest, ConvertsUnitsNamesAndPolygons) {
    KitModelPiece p;
    p.offset = {163840, -163840, 327680};
    p.secondName = "kept";
    p.selection = 1;
    p.vertices = {{163840, 0, -163840}, {0, 81920, 0}, {1, 2, 3}};
    KitModelPolygon textured;
    textured.textured = true;
    textured.colour = 77;  // ignored: bit 0 of the flag is clear
    textured.texture = "metal01";
    textured.indices = {0, 1, 2};
    p.polygons = {Solid(12, {2, 1, 0}), textured};
    Piece* root = Load(KitWrite3do({p}));
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
    FreePieceTree(root);
}

TEST_F(Load3doTest, TreeOfSiblingsAndChildrenKeepsItsShape) {
    // root with children a, b; a has child c; root has a sibling s.
    KitModelPiece root = Square("root", 1, 0, 1), a = Square("a", 1, 0, 2), b, c, s;
    b.name = "b";  // no vertices, no polygons: stays
    c.name = "c";
    s.name = "s";
    c.offset = {FU(1), 0, 0};
    a.offset = {FU(2), 0, 0};
    root.offset = {FU(4), 0, 0};
    a.children = {c};
    root.children = {a, b};
    Piece* m = Load(KitWrite3do({root, s}));
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->name, "root");
    ASSERT_NE(m->sibling, nullptr);
    EXPECT_STREQ(m->sibling->name, "s");
    ASSERT_NE(m->child, nullptr);
    EXPECT_STREQ(m->child->name, "a");
    EXPECT_STREQ(m->child->sibling->name, "b");
    EXPECT_EQ(m->child->sibling->vertexCount, 0);
    EXPECT_STREQ(m->child->child->name, "c");
    EXPECT_EQ(CountPieces(m), 5);
    FreePieceTree(m);
}

TEST_F(Load3doTest, LongChainsAndDeepTreesLoad) {
    KitModelPiece root;
    root.name = "r";
    for (int i = 0; i < 3000; ++i) {
        KitModelPiece s;
        s.name = "s" + std::to_string(i);
        root.children.push_back(s);
    }
    KitModelPiece deep;
    deep.name = "d0";
    for (int i = 1; i < 400; ++i) {
        KitModelPiece up;
        up.name = "d" + std::to_string(i);
        up.children = {std::move(deep)};
        deep = std::move(up);
    }
    root.children.push_back(deep);
    Piece* m = Load(KitWrite3do({root}));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(CountPieces(m), 1 + 3000 + 400);
    FreePieceTree(m);
}

TEST_F(Load3doTest, HighVertexIndicesAreUnsigned) {
    KitModelPiece p;
    p.name = "big";
    p.vertices.resize(65536);
    p.polygons = {Solid(1, {0x8000, 0xFFFF, 1})};
    Piece* m = Load(KitWrite3do({p}));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->polygons[0].vertexCount, 3);
    EXPECT_EQ(m->polygons[0].vertexIndices[0], 32768);
    EXPECT_EQ(m->polygons[0].vertexIndices[1], 65535);
    FreePieceTree(m);
}

TEST_F(Load3doTest, DamagedItemsAreCutOrEmptied) {
    KitModelPiece p = Square(std::string(300, 'n'), 1, 0, 1);
    p.secondName = std::string(400, 's');
    KitModelPolygon tex;
    tex.textured = true;
    tex.texture = std::string(500, 't');
    tex.indices = {0, 1, 2};
    KitModelPolygon many = Solid(3, {});
    for (int i = 0; i < 17; ++i) many.indices.push_back(uint16_t(i % 4));
    p.polygons.push_back(tex);
    p.polygons.push_back(Solid(4, {0, 1, 4}));  // 4 is beyond the 4 vertices
    p.polygons.push_back(many);
    Piece* m = Load(KitWrite3do({p}));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(std::strlen(m->name), 255u);
    EXPECT_EQ(std::strlen(m->secondName), 255u);
    ASSERT_EQ(m->polygonCount, 4);
    EXPECT_EQ(m->polygons[0].vertexCount, 4);
    EXPECT_EQ(std::strlen(m->polygons[1].textureName), 267u);
    EXPECT_EQ(m->polygons[2].vertexCount, 0);
    EXPECT_EQ(m->polygons[3].vertexCount, 0);
    FreePieceTree(m);
}

TEST_F(Load3doTest, BrokenStructureIsRejected) {
    KitModelPiece root = Square("root", 1, 0, 1), child = Square("child", 1, 0, 2);
    root.children = {child};
    std::vector<uint8_t> good = KitWrite3do({root});
    auto put = [](std::vector<uint8_t> b, size_t at, int32_t v) {
        std::memcpy(&b[at], &v, 4);
        return b;
    };
    int32_t childAt;
    std::memcpy(&childAt, &good[48], 4);
    std::vector<std::vector<uint8_t>> bad = {
        put(good, 44, 0),                 // sibling is the root itself: a cycle
        put(good, size_t(childAt) + 48, childAt),  // child of itself
        put(good, size_t(childAt) + 44, childAt),  // sibling of itself
        put(good, 48, int32_t(good.size())),        // child outside the file
        put(good, 48, int32_t(good.size()) - 10),   // record cut by the file's end
        put(good, 4, 100000),                       // vertices beyond the file
        put(good, 8, -1),                           // negative count
        put(good, 28, int32_t(good.size()) + 5),    // name outside the file
        put(good, 36, -8),                          // vertex array before the file
    };
    // Sibling offset 0 means "none", so the root can't be reached again; a
    // root whose sibling is its child shares a record.
    bad[0] = put(good, 44, childAt);
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(Load(bad[i]), nullptr) << i;
    // A name running to the end of the file without its terminator.
    std::vector<uint8_t> unterminated = put(good, 28, int32_t(good.size()) - 1);
    unterminated.back() = 'x';
    EXPECT_EQ(Load(unterminated), nullptr);
    EXPECT_EQ(LoadModel("objects3d\\missing.3do", 1), nullptr);
    EXPECT_EQ(LoadModel("objects3d\\sample.3do", 5), nullptr);
}

TEST_F(Load3doTest, TypeDetectionByFirstBytes) {
    const std::pair<std::string, int32_t> cases[] = {{std::string("FORM\0\0\0\4LWOB", 12), MODEL_TYPE_LWO},
                                                     {std::string("MM\x10\0\0\0", 6), MODEL_TYPE_3DS},
                                                     {"MZxx", MODEL_TYPE_3DO},
                                                     {"MM", MODEL_TYPE_3DS}};  // two bytes decide
    for (const auto& [bytes, type] : cases) {
        dir.write("a.3do", bytes);
        EXPECT_EQ(DetectModelType("a.3do"), type) << bytes;
    }
    EXPECT_EQ(DetectModelType("none.3do"), 0);
}

TEST_F(Load3doTest, RestPoseAccumulatesOffsetsAndStoreRestOffsetsCopies) {
    Piece* a = NewPiece();
    Piece* b = NewPiece();
    Piece* c = NewPiece();
    Piece* s = NewPiece();
    EXPECT_EQ(a->selectionPolygon, -1);
    a->child = b;
    b->child = c;
    b->sibling = s;
    float one[1][3] = {{0.5f, 0, 0}};
    for (Piece* p : {a, b, c, s}) {
        p->vertexCount = 1;
        p->vertices = static_cast<float(*)[3]>(GRIB_Alloc("Vertices", sizeof one));
        std::memcpy(p->vertices, one, sizeof one);
    }
    a->offset[0] = 1;
    b->offset[0] = 2;
    c->offset[0] = 4;
    s->offset[1] = 8;
    ComputeRestPose(a);
    // s, a sibling of b, adds a's offset only.
    EXPECT_EQ((std::vector<double>{a->workVertices[0].x, b->workVertices[0].x, c->workVertices[0].x,
                                   s->workVertices[0].x, s->workVertices[0].y}),
              (std::vector<double>{1.5, 3.5, 7.5, 1.5, 8}));
    StoreRestOffsets(a);
    EXPECT_EQ((std::vector<float>{c->restOffset[0], s->restOffset[1]}), (std::vector<float>{4, 8}));
    FreePieceTree(a);
}

}  // namespace
