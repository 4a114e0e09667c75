// Piece slots: their order, how script pieces are matched to them, and the
// host operations' conversions.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "app/script_host.h"
#include "grib/env/env.h"
#include "kit/script/script_asm.h"
#include "model/piece.h"
#include "script/script_file.h"
#include "tests/support/support.h"

namespace {

struct Tree {
    std::vector<Piece*> all;
    Piece* Make(const char* name, int vertices) {
        Piece* p = NewPiece();
        std::snprintf(p->name, sizeof p->name, "%s", name);
        p->vertexCount = vertices;
        all.push_back(p);
        return p;
    }
    ~Tree() {
        for (Piece* p : all) {
            p->child = p->sibling = nullptr;
            p->vertexCount = 0;
            FreePiece(p);
        }
    }
};

ScriptFile* Script(const std::string& pieces) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(AssembleScript("piece " + pieces + "\nfunction Create\n return\n", bytes, error)) << error;
    void* block = GRIB_Alloc("test script", bytes.size());
    std::memcpy(block, bytes.data(), bytes.size());
    return LoadScriptFromBlock(block, int32_t(bytes.size()));
}

std::vector<std::string> Names(const PieceSlotTable* t) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < t->slotCount; ++i) out.push_back(t->slots[i].piece->name);
    return out;
}

class SlotTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    void TearDown() override {
        FreePieceSlots(table);
        if (script) FreeScript(script);
    }
    PieceSlotTable* table = nullptr;
    ScriptFile* script = nullptr;
    Tree tree;
};

TEST_F(SlotTest, BaseTurretBarrelAreReorderedByTheScriptsNames) {
    Piece* base = tree.Make("base", 0);
    Piece* turret = tree.Make("turret", 4);
    Piece* barrel = tree.Make("barrel", 3);
    base->child = turret;
    turret->child = barrel;
    table = CreatePieceSlots(base);
    ASSERT_NE(table, nullptr);
    EXPECT_STREQ(GRIB_BlockTag(table), "Object State");
    EXPECT_EQ(Names(table), (std::vector<std::string>{"base", "turret", "barrel"}));
    EXPECT_EQ(table->slots[0].flags, PIECE_CACHE | PIECE_SHADE);  // no geometry: hidden
    EXPECT_EQ(table->slots[1].flags, PIECE_VISIBLE | PIECE_CACHE | PIECE_SHADE);
    script = Script("TURRET barrel Base");
    MatchScriptPieces(table, script);
    EXPECT_EQ(Names(table), (std::vector<std::string>{"turret", "barrel", "base"}));
    EXPECT_EQ(table->slots[2].flags, PIECE_CACHE | PIECE_SHADE);  // flags travel with the piece
}

TEST_F(SlotTest, DepthFirstOrderVisitsChildrenBeforeSiblings) {
    Piece* a = tree.Make("a", 3);
    Piece* b = tree.Make("b", 3);
    Piece* c = tree.Make("c", 3);
    Piece* d = tree.Make("d", 3);
    Piece* e = tree.Make("e", 3);
    a->sibling = d;  // root siblings are slots too
    a->child = b;
    b->sibling = c;
    b->child = e;
    table = CreatePieceSlots(a);
    EXPECT_EQ(Names(table), (std::vector<std::string>{"a", "b", "e", "c", "d"}));
}

TEST_F(SlotTest, DuplicateAndMissingNamesTakeTheFirstMatchAtOrAfterTheIndex) {
    Piece* root = tree.Make("gun", 3);
    Piece* x = tree.Make("x", 3);
    Piece* gun2 = tree.Make("GUN", 3);
    Piece* y = tree.Make("y", 3);
    root->child = x;
    x->sibling = gun2;
    gun2->sibling = y;
    table = CreatePieceSlots(root);
    // Index 0 "y" swaps y to the front; index 1 "gun" finds the first gun at
    // or after 1 (x sat there, the old slot 0 went to y's place); index 2
    // "nothing" leaves slot 2 alone; index 3 "gun" finds the remaining one.
    script = Script("y gun nothing gun extra");
    MatchScriptPieces(table, script);
    EXPECT_EQ(Names(table), (std::vector<std::string>{"y", "GUN", "x", "gun"}));
}

class HostTest : public SlotTest {
protected:
    void SetUp() override {
        SlotTest::SetUp();
        Piece* root = tree.Make("p", 3);
        root->restOffset[0] = 1.5f;
        root->restOffset[1] = 2.0f;
        root->restOffset[2] = -3.0f;
        table = CreatePieceSlots(root);
        host.slots = table;
        piece = root;
    }
    UnitScriptHost host;
    Piece* piece = nullptr;
};

TEST_F(HostTest, PositionsAreFileUnitsWithXAndZReversed) {
    host.SetPiecePosition(0, 1, 163840);
    EXPECT_EQ(piece->offset[1], 3.0f);
    host.SetPiecePosition(0, 0, 163840);
    EXPECT_EQ(piece->offset[0], 0.5f);
    host.SetPiecePosition(0, 2, -327680);
    EXPECT_EQ(piece->offset[2], -1.0f);
    EXPECT_EQ(host.GetPiecePosition(0, 0), 163840);
    EXPECT_EQ(host.GetPiecePosition(0, 2), -327680);
    // The same value again leaves the piece alone, even after it moved.
    piece->offset[1] = 42.0f;
    host.SetPiecePosition(0, 1, 163840);
    EXPECT_EQ(piece->offset[1], 42.0f);
    // Out of range: nothing, and gets give 0.
    host.SetPiecePosition(1, 1, 5);
    host.SetPiecePosition(0, 3, 5);
    host.SetPiecePosition(-1, 0, 5);
    EXPECT_EQ(host.GetPiecePosition(1, 0), 0);
    EXPECT_EQ(host.GetPiecePosition(0, 3), 0);
}

TEST_F(HostTest, AnglesAreNegatedScriptUnits) {
    host.SetPieceAngle(0, 1, 16384);
    EXPECT_NEAR(piece->angleY, -M_PI / 2, 1e-12);
    EXPECT_EQ(host.GetPieceAngle(0, 1), 16384);
    host.SetPieceAngle(0, 0, -16384);
    EXPECT_NEAR(piece->angleX, M_PI / 2, 1e-12);
    EXPECT_EQ(host.GetPieceAngle(0, 0), 49152);
    // Only the low 16 bits are compared and stored; the radians come from
    // the whole value.
    host.SetPieceAngle(0, 2, 65536 + 100);
    EXPECT_EQ(host.GetPieceAngle(0, 2), 100);
    EXPECT_NEAR(piece->angleZ, -65636 * 9.587379924285248e-05, 1e-12);
    piece->angleZ = 7.0;
    host.SetPieceAngle(0, 2, 100);
    EXPECT_EQ(piece->angleZ, 7.0);
    host.SetPieceAngle(0, 2, INT32_MIN);  // negating the most negative value keeps it
    EXPECT_NEAR(piece->angleZ, double(INT32_MIN) * 9.587379924285248e-05, 1e-3);
    host.SetPieceAngle(5, 0, 1);
    EXPECT_EQ(host.GetPieceAngle(5, 0), 0);
}

TEST_F(HostTest, FlagsTakeBitZero) {
    host.SetPieceVisible(0, 0);
    EXPECT_EQ(table->slots[0].flags, PIECE_CACHE | PIECE_SHADE);
    host.SetPieceVisible(0, 3);
    EXPECT_EQ(table->slots[0].flags & PIECE_VISIBLE, PIECE_VISIBLE);
    host.SetPieceCacheFlag(0, 2);
    EXPECT_EQ(table->slots[0].flags & PIECE_CACHE, 0);
    host.SetPieceShadeFlag(0, 0);
    EXPECT_EQ(table->slots[0].flags & PIECE_SHADE, 0);
    host.SetPieceShadeFlag(0, 1);
    EXPECT_EQ(table->slots[0].flags & PIECE_SHADE, PIECE_SHADE);
    host.SetPieceVisible(9, 0);  // out of range: nothing
    EXPECT_EQ(table->slots[0].flags, PIECE_VISIBLE | PIECE_SHADE);
}

}  // namespace
