// The script host: the viewer's kind of script instance, which drives a
// unit's model pieces through a table of piece slots in the order of the
// script's piece names.
#pragma once

#include <cstdint>

#include "script/instance.h"

struct Piece;
struct ScriptFile;

enum : uint16_t { PIECE_VISIBLE = 0x1, PIECE_CACHE = 0x2, PIECE_SHADE = 0x4 };

struct PieceSlot {
    Piece* piece;
    int32_t position[3];  // file units, as the script set them
    uint16_t angle[3];    // 65,536 per full turn
    uint16_t flags;
};

// One tagged block "Object State": the count, then the slots.
struct PieceSlotTable {
    int32_t slotCount;
    PieceSlot* slots;  // inside the same block, right after this header
};

// Script positions to model units per axis (script x and z run opposite to
// the model's).
constexpr float kPositionScale[3] = {-6.1035157e-06f, 6.1035157e-06f, -6.1035157e-06f};
// Script angle units to radians (2π / 65,536).
constexpr double kAngleScale = 9.587379924285248e-05;

// One slot per piece reachable from root, depth first (piece, its child's
// subtree, then its sibling's); null when the block can't be made.
PieceSlotTable* CreatePieceSlots(Piece* root);
// Reorders the slots so that slot i drives the piece named by the script's
// piece i, where the model has one at or after i.
PieceSlotTable* MatchScriptPieces(PieceSlotTable* table, const ScriptFile* script);
void FreePieceSlots(PieceSlotTable* table);

class UnitScriptHost : public ScriptInstance {
public:
    int32_t GetPiecePosition(int32_t piece, int32_t axis) override;
    void SetPiecePosition(int32_t piece, int32_t axis, int32_t value) override;
    int32_t GetPieceAngle(int32_t piece, int32_t axis) override;
    void SetPieceAngle(int32_t piece, int32_t axis, int32_t value) override;
    void SetPieceVisible(int32_t piece, int32_t flag) override;
    void SetPieceCacheFlag(int32_t piece, int32_t flag) override;
    void SetPieceShadeFlag(int32_t piece, int32_t flag) override;

    PieceSlotTable* slots = nullptr;

private:
    PieceSlot* Slot(int32_t piece) const;
};
