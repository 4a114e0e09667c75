// A unit's model as a tree of pieces: the records, their allocation and the
// rest pose. model/readers.h builds trees from files, model/scene.h poses
// and draws them.
#pragma once

#include <cstdint>

// One .3do file unit in model units (the float nearest to 1 / 163840).
constexpr float MODEL_FILE_SCALE = 6.1035157e-06f;
enum { PIECE_MAX_POLYGON_VERTICES = 16 };

struct WorkVertex {
    double x, y, z;  // the transformed position
    int32_t screenX, screenY, depth;
};

struct PiecePolygon {
    int32_t vertexCount;  // 0 to 16
    int32_t vertexIndices[PIECE_MAX_POLYGON_VERTICES];
    int32_t textured;
    int32_t colourIndex;
    char textureName[268];
};

struct Piece {
    int32_t vertexCount;
    int32_t polygonCount;
    char name[256];
    char secondName[256];
    int32_t selectionPolygon;  // -1 = none
    float offset[3];
    float restOffset[3];
    double angleX;
    double angleY;
    double angleZ;
    // Render options.
    int32_t outline;
    int32_t fill;
    int32_t solidOverride;
    int32_t lit;
    int32_t outlineColour;
    int32_t overrideColour;
    float (*vertices)[3];
    WorkVertex* workVertices;
    PiecePolygon* polygons;
    Piece* sibling;
    Piece* child;
};

Piece* NewPiece();
// Releases one piece and its arrays (not its sibling or child).
void FreePiece(Piece* piece);
// Releases a piece, its sibling chain and every descendant.
void FreePieceTree(Piece* root);
void ComputeRestPose(Piece* root);
void StoreRestOffsets(Piece* root);
// Allocates the work vertices of a piece when it has none; false when the
// allocation failed.
bool EnsureWorkVertices(Piece* piece);

// ForEachPiece, ForEachPieceChildFirst: walks of a whole tree without
// recursion.
#include "model/piece_walk.h"
