#include "app/script_host.h"

#include <cstring>
#include <utility>
#include <vector>

#include "grib/env/env.h"
#include "grib/env/names.h"
#include "model/piece.h"
#include "script/script_file.h"

PieceSlotTable* CreatePieceSlots(Piece* root) {
    size_t count = 0;
    ForEachPieceChildFirst(root, [&](Piece*) { ++count; });
    size_t size = sizeof(PieceSlotTable) + count * sizeof(PieceSlot);
    auto* table = static_cast<PieceSlotTable*>(GRIB_Alloc("Object State", size));
    if (!table) return nullptr;
    std::memset(table, 0, size);
    table->slots = reinterpret_cast<PieceSlot*>(table + 1);
    ForEachPieceChildFirst(root, [&](Piece* p) {
        PieceSlot& s = table->slots[table->slotCount++];
        s.piece = p;
        s.flags = PIECE_CACHE | PIECE_SHADE;
        if (p->vertexCount >= 3) s.flags |= PIECE_VISIBLE;
    });
    return table;
}

PieceSlotTable* MatchScriptPieces(PieceSlotTable* table, const ScriptFile* script) {
    if (!table || !script) return table;
    const int32_t names = int32_t(script->pieceNames.size());
    for (int32_t i = 0; i < names && i < table->slotCount; ++i) {
        const char* wanted = script->pieceNames[size_t(i)];
        for (int32_t j = i; j < table->slotCount; ++j) {
            if (!GRIB_SameName(table->slots[j].piece->name, wanted)) continue;
            if (j != i) std::swap(table->slots[i], table->slots[j]);
            break;
        }
    }
    return table;
}

void FreePieceSlots(PieceSlotTable* table) {
    if (table) GRIB_Free(table);
}

PieceSlot* UnitScriptHost::Slot(int32_t piece) const {
    if (!slots || piece < 0 || piece >= slots->slotCount) return nullptr;
    return &slots->slots[piece];
}

int32_t UnitScriptHost::GetPiecePosition(int32_t piece, int32_t axis) {
    PieceSlot* s = Slot(piece);
    return s && axis >= 0 && axis < 3 ? s->position[axis] : 0;
}

void UnitScriptHost::SetPiecePosition(int32_t piece, int32_t axis, int32_t value) {
    PieceSlot* s = Slot(piece);
    if (!s || axis < 0 || axis >= 3 || s->position[axis] == value) return;
    s->position[axis] = value;
    Piece* p = s->piece;
    p->offset[axis] = float(double(p->restOffset[axis]) + double(value) * double(kPositionScale[axis]));
}

int32_t UnitScriptHost::GetPieceAngle(int32_t piece, int32_t axis) {
    PieceSlot* s = Slot(piece);
    return s && axis >= 0 && axis < 3 ? s->angle[axis] : 0;
}

void UnitScriptHost::SetPieceAngle(int32_t piece, int32_t axis, int32_t value) {
    PieceSlot* s = Slot(piece);
    if (!s || axis < 0 || axis >= 3 || s->angle[axis] == uint16_t(value)) return;
    s->angle[axis] = uint16_t(value);
    // Negated as a 32-bit integer (the most negative value stays itself).
    const int32_t negated = int32_t(0u - uint32_t(value));
    const double radians = double(negated) * kAngleScale;
    Piece* p = s->piece;
    if (axis == 0) p->angleX = radians;
    else if (axis == 1) p->angleY = radians;
    else p->angleZ = radians;
}

void UnitScriptHost::SetPieceVisible(int32_t piece, int32_t flag) {
    PieceSlot* s = Slot(piece);
    if (!s) return;
    const int32_t visible = s->flags & PIECE_VISIBLE;
    if (visible == flag) return;
    s->flags = uint16_t((s->flags & ~PIECE_VISIBLE) | (flag & 1));
}

void UnitScriptHost::SetPieceCacheFlag(int32_t piece, int32_t flag) {
    PieceSlot* s = Slot(piece);
    if (s) s->flags = uint16_t((s->flags & ~PIECE_CACHE) | ((flag & 1) << 1));
}

void UnitScriptHost::SetPieceShadeFlag(int32_t piece, int32_t flag) {
    PieceSlot* s = Slot(piece);
    if (s) s->flags = uint16_t((s->flags & ~PIECE_SHADE) | ((flag & 1) << 2));
}
