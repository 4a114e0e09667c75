// Scan conversion of convex polygons (flat and affine-textured, with an
// optional byte depth test and shade-table lighting) and clipped lines into
// 8-bit bitmaps. All interpolation is 16.16 fixed point.
//
// A null GribBitmap target means the locked screen. The bitmap-target fillers
// treat the clip rectangle's left/top as inclusive and right/bottom as
// exclusive; the depth-tested ones clip to 0, 0, width - 1, height - 1 of the
// target image (again right/bottom exclusive).
//
// Clip rectangles are intersected with the bitmap's extent first, and a
// polygon taller than the 2048-row edge table is filled in bands of 2048 rows
// (same pixels as one pass), so no clip rectangle or target can overrun it.
#pragma once

#include <cstdint>

#include "grib/bitmap/bitmap.h"

enum { GRIB_SPAN_ROWS = 2048 };

// One scanline of the polygon being filled: x as whole columns (right
// exclusive), everything else 16.16.
struct SpanRow {
    int32_t leftX;
    int32_t rightX;
    int32_t leftU;
    int32_t leftV;
    int32_t rightU;
    int32_t rightV;
    int32_t leftDepth;
    int32_t rightDepth;
    int32_t leftLight;
    int32_t rightLight;
};

// Vertices: (x, y) pairs, (x, y, depth) or (x, y, depth, light) triples /
// quadruples. texCoords: 4 (u, v) texel pairs or null for the texture's
// corners top-left, top-right, bottom-right, bottom-left.
void GRIB_DrawTexturedQuad(GribBitmap* target, const GribImage* texture, const int32_t* vertices,
                           const int32_t* texCoords);
void GRIB_DrawTexturedQuadZ(GribImage* target, const GribImage* texture, const int32_t* vertices,
                            const int32_t* texCoords);
void GRIB_DrawTexturedQuadZLit(GribImage* target, const GribImage* texture, const int32_t* vertices,
                               const int32_t* texCoords);

// 1 when the polygon reached the scanline stage, 0 when it was rejected.
int GRIB_FillPolygon(GribBitmap* target, const int32_t* vertices, int32_t count, uint8_t colour);
int GRIB_FillPolygonZ(GribImage* target, const int32_t* vertices, int32_t count, uint8_t colour);
int GRIB_FillPolygonZLit(GribImage* target, const int32_t* vertices, int32_t count, uint8_t colour);

// 1, or 0 when a null target finds no screen. Both endpoints inclusive.
int GRIB_DrawLine(GribBitmap* target, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t colour);
int GRIB_DrawPolyline(GribBitmap* target, const int32_t* points, int32_t count, uint8_t colour);
