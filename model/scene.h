// The scene table: registered piece trees, posed and drawn into a bitmap.
#pragma once

#include <cstdint>

#include "model/piece.h"

struct GribBitmap;

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
