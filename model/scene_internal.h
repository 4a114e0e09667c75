// The scene table's records, shared by registration, posing and drawing.
#pragma once

#include <cstdint>
#include <vector>

#include "model/scene.h"

struct PolygonRef {
    Piece* piece;
    int32_t polygonIndex;
    PiecePolygon* polygon;
    int32_t inFrontCount;
    int32_t inFront[16];
    int32_t visited;
};

// The painter's sort: a kept polygon's extent on screen and mean depth, and
// a step of its depth-first walk.
struct PaintExtent {
    double minX, maxX, minY, maxY, meanZ;
    bool empty;
};
struct PaintFrame {
    int32_t ref;
    int32_t next;
};
// A posed piece with the index of its parent (-1 for the root).
struct PosedPiece {
    Piece* piece;
    int32_t parent;
};

struct SceneEntry {
    int32_t inUse = 0;
    Piece* root = nullptr;
    int32_t polygonCount = 0;
    int32_t drawnCount = 0;
    std::vector<PolygonRef> references;
    std::vector<PolygonRef> scratch;
    int32_t orderedCount = 0;
    std::vector<int32_t> order;
    std::vector<uint8_t> depthBuffer;  // grown on demand, never shrunk
    // Working space of posing and drawing, reserved at registration and
    // reused every frame.
    std::vector<Piece*> walk;
    std::vector<PosedPiece> posed;
    std::vector<PaintExtent> extents;
    std::vector<PaintFrame> frames;
};

extern std::vector<SceneEntry> g_sceneTable;
SceneEntry* SceneEntryOf(int32_t handle);
