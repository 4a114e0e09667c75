#include "model/piece.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "grib/env/env.h"

Piece* NewPiece() {
    auto* p = static_cast<Piece*>(GRIB_Alloc("Piece", sizeof(Piece)));
    if (!p) return nullptr;
    std::memset(p, 0, sizeof(Piece));
    p->selectionPolygon = -1;
    return p;
}

void FreePiece(Piece* piece) {
    if (!piece) return;
    if (piece->vertices) GRIB_Free(piece->vertices);
    if (piece->workVertices) GRIB_Free(piece->workVertices);
    if (piece->polygons) GRIB_Free(piece->polygons);
    GRIB_Free(piece);
}

void FreePieceTree(Piece* root) {
    std::vector<Piece*> all;
    ForEachPiece(root, [&](Piece* p) { all.push_back(p); });
    for (Piece* p : all) FreePiece(p);
}

bool EnsureWorkVertices(Piece* piece) {
    if (piece->workVertices || piece->vertexCount <= 0) return true;
    size_t bytes = sizeof(WorkVertex) * static_cast<size_t>(piece->vertexCount);
    piece->workVertices = static_cast<WorkVertex*>(GRIB_Alloc("Work Vertices", bytes));
    if (!piece->workVertices) return false;
    std::memset(piece->workVertices, 0, bytes);
    return true;
}

void ComputeRestPose(Piece* root) {
    struct Item {
        Piece* piece;
        double acc[3];
    };
    std::vector<Item> stack;
    if (root) stack.push_back({root, {0, 0, 0}});
    while (!stack.empty()) {
        Item it = stack.back();
        stack.pop_back();
        Piece* p = it.piece;
        if (EnsureWorkVertices(p)) {
            for (int32_t i = 0; i < p->vertexCount; ++i)
                for (int a = 0; a < 3; ++a) {
                    double v = double(p->vertices[i][a]) + double(p->offset[a]) + it.acc[a];
                    (&p->workVertices[i].x)[a] = v;
                }
        }
        if (p->child)
            stack.push_back({p->child, {it.acc[0] + p->offset[0], it.acc[1] + p->offset[1], it.acc[2] + p->offset[2]}});
        if (p->sibling) stack.push_back({p->sibling, {it.acc[0], it.acc[1], it.acc[2]}});
    }
}

void StoreRestOffsets(Piece* root) {
    ForEachPiece(root, [](Piece* p) { std::memcpy(p->restOffset, p->offset, sizeof p->offset); });
}
