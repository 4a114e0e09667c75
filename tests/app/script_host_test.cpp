// Piece slots: their order, how script pieces are matched to them, and the
// host operations' conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "app/script_host.h"
#include "grib/env/env.h"
#include "kit/script/script_asm.h"
#include "model/piece.h"
#include "script/script_file.h"
#include "tests/support/support.h"

namespace {

class SlotTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    void TearDown() override {
        FreePieceSlots(table);
        if (script) FreeScript(script);
        for (Piece* p : pieces) {
            p->child = p->sibling = nullptr;
            p->vertexCount = 0;
            FreePiece(p);
        }
    }
    Piece* Make(const char* name, int vertices, Piece* parent = nullptr, Piece* before = nullptr) {
        Piece* p = NewPiece();
        std::snprintf(p->name, sizeof p->name, "%s", name);
        p->vertexCount = vertices;
        if (parent) parent->child = p;
        if (before) before->sibling = p;
        pieces.push_back(p);
        return p;
    }
    void Match(const std::string& names) {
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(AssembleScript("piece " + names + "\nfunction Create\n return\n", bytes, error)) << error;
        void* block = GRIB_Alloc("test script", bytes.size());
        std::memcpy(block, bytes.data(), bytes.size());
        script = LoadScriptFromBlock(block, int32_t(bytes.size()));
        MatchScriptPieces(table, script);
    }
    std::string Slots() const {
        std::string out;
        for (int32_t i = 0; i < table->slotCount; ++i)
            out += std::string(i ? " " : "") + table->slots[i].piece->name + ":" + std::to_string(table->slots[i].flags);
        return out;
    }
    std::vector<Piece*> pieces;
    PieceSlotTable* table = nullptr;
    ScriptFile* script = nullptr;
};

TEST_F(SlotTest, DepthFirstSlotsReorderedByTheScriptsNames) {
    Piece* base = Make("base", 0);
    Make("barrel", 3, Make("turret", 4, base));
    table = CreatePieceSlots(base);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(Slots(), "base:6 turret:7 barrel:7") << "no geometry: hidden";
    Match("TURRET barrel Base");
    EXPECT_EQ(Slots(), "turret:7 barrel:7 base:6") << "flags travel with the piece";
    FreePieceSlots(table);
    // Children before siblings; the root's siblings are slots too.
    Piece* a = Make("a", 3);
    Piece* b = Make("b", 3, a);
    Make("e", 3, b);
    Make("c", 3, nullptr, b);
    Make("d", 3, nullptr, a);
    table = CreatePieceSlots(a);
    EXPECT_EQ(Slots(), "a:7 b:7 e:7 c:7 d:7");
}

TEST_F(SlotTest, DuplicateAndMissingNamesTakeTheFirstMatchAtOrAfterTheIndex) {
    Piece* root = Make("gun", 3);
    Make("y", 3, nullptr, Make("GUN", 3, nullptr, Make("x", 3, root)));
    table = CreatePieceSlots(root);
    // Index 0 "y" swaps y to the front; index 1 "gun" finds the first gun at
    // or after 1 (x sat there, the old slot 0 went to y's place); index 2
    // "nothing" leaves slot 2 alone; index 3 "gun" finds the remaining one.
    Match("y gun nothing gun extra");
    EXPECT_EQ(Slots(), "y:7 GUN:7 x:7 gun:7");
}

class HostTest : public SlotTest {
protected:
    void SetUp() override {
        SlotTest::SetUp();
        piece = Make("p", 3);
        std::ranges::copy(std::array{1.5f, 2.0f, -3.0f}, piece->restOffset);
        host.slots = table = CreatePieceSlots(piece);
    }
    UnitScriptHost host;
    Piece* piece = nullptr;
};

TEST_F(HostTest, PositionsAreFileUnitsWithXAndZReversed) {
    for (auto [axis, value, offset] : {std::tuple{1, 163840, 3.0f}, {0, 163840, 0.5f}, {2, -327680, -1.0f}}) {
        host.SetPiecePosition(0, axis, value);
        EXPECT_EQ(piece->offset[axis], offset) << axis;
        EXPECT_EQ(host.GetPiecePosition(0, axis), value) << axis;
    }
    piece->offset[1] = 42.0f;
    host.SetPiecePosition(0, 1, 163840);
    EXPECT_EQ(piece->offset[1], 42.0f) << "the same value again leaves the piece alone";
    for (auto [slot, axis] : {std::pair{1, 1}, {0, 3}, {-1, 0}}) {
        host.SetPiecePosition(slot, axis, 5);  // out of range: nothing, and gets give 0
        EXPECT_EQ(host.GetPiecePosition(slot, axis), 0);
    }
}

TEST_F(HostTest, AnglesAreNegatedScriptUnits) {
    // Only the low 16 bits are compared and stored; the radians come from the
    // whole value, and negating the most negative value keeps it.
    for (auto [axis, value, angle, radians, stored] :
         {std::tuple{1, 16384, &Piece::angleY, -M_PI / 2, 16384}, {0, -16384, &Piece::angleX, M_PI / 2, 49152},
          {2, 65536 + 100, &Piece::angleZ, -65636 * kAngleScale, 100},
          {2, INT32_MIN, &Piece::angleZ, double(INT32_MIN) * kAngleScale, 0}}) {
        host.SetPieceAngle(0, axis, value);
        EXPECT_NEAR(piece->*angle, radians, 1e-9) << value;
        EXPECT_EQ(host.GetPieceAngle(0, axis), stored) << value;
    }
    host.SetPieceAngle(0, 2, 100);
    piece->angleZ = 7.0;
    host.SetPieceAngle(0, 2, 65536 + 100);
    EXPECT_EQ(piece->angleZ, 7.0) << "the same low bits again leave the piece alone";
    host.SetPieceAngle(5, 0, 1);
    EXPECT_EQ(host.GetPieceAngle(5, 0), 0);
}

TEST_F(HostTest, FlagsTakeBitZero) {
    host.SetPieceVisible(0, 0);
    EXPECT_EQ(table->slots[0].flags, PIECE_CACHE | PIECE_SHADE);
    host.SetPieceVisible(0, 3);
    host.SetPieceCacheFlag(0, 2);
    EXPECT_EQ(table->slots[0].flags, PIECE_VISIBLE | PIECE_SHADE);
    host.SetPieceShadeFlag(0, 0);
    EXPECT_EQ(table->slots[0].flags, PIECE_VISIBLE);
    host.SetPieceShadeFlag(0, 1);
    host.SetPieceVisible(9, 0);  // out of range: nothing
    EXPECT_EQ(table->slots[0].flags, PIECE_VISIBLE | PIECE_SHADE);
}

}  // namespace
