// A unit's model as a tree of pieces, the readers that build it (.3do,
// 3D Studio, LightWave) and the scene table that poses and draws it.
#pragma once

#include <cstdint>
#include <cstdio>

struct GribBitmap;

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

// Model types of LoadModel.
enum { MODEL_TYPE_DETECT = 1, MODEL_TYPE_3DO = 2, MODEL_TYPE_LWO = 3, MODEL_TYPE_3DS = 4 };

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

Piece* LoadModel(const char* path, int32_t type);
int32_t DetectModelType(const char* path);
Piece* Load3do(const char* path);
Piece* Load3dsModel(const char* path);
Piece* LoadLwoModel(const char* path);
int32_t FindChunk(FILE* file, const uint16_t* ids, int32_t pathLength, int32_t limit, int32_t occurrence);

// The LightWave reader's one fatal error goes through this seam. The default
// prints caption and text on standard error and exits with status 1; the
// viewer installs its message box (which then exits). When the function
// returns, the reader gives up on the file (null).
using ModelFatalBoxFn = void (*)(const char* caption, const char* text);
extern ModelFatalBoxFn g_modelFatalBox;

// The scene table.
struct ViewParams {
    double scale;      // the user's zoom, 1.0 = 100 %
    double baseScale;  // pixels per model unit at scale 1
    int32_t showSelection;
    int32_t depthMode;
    int32_t selectionColour;
    float lightX, lightY, lightZ;
};

int32_t RegisterTree(Piece* root);
void UnregisterTree(int32_t handle);
void SetRenderOptions(int32_t handle, int32_t outline, int32_t fill, int32_t solidOverride, int32_t lit,
                      int32_t outlineColour, int32_t overrideColour);
void AnimateTree(int32_t handle);
void RenderTree(int32_t handle, GribBitmap* surface, const ViewParams* view);

// Vector operations of the lighting.
struct Vec3f {
    float x, y, z;
};
Vec3f VectorDifference(const int32_t* first, const int32_t* second);  // second - first
Vec3f VectorCross(const Vec3f& a, const Vec3f& b);
Vec3f VectorNormalise(const Vec3f& v);  // the zero vector stays zero

// ForEachPiece, ForEachPieceChildFirst: walks of a whole tree without
// recursion.
#include "model/piece_walk.h"
