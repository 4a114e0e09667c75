// The edge walker shared by every polygon filler: bounds, row range, the two
// vertex chains into the span table, and the scanline loop.
#include <algorithm>

#include "grib/env/env.h"
#include "grib/raster/raster_internal.h"
#include "grib/raster/target.h"

using namespace grib_raster;

namespace {

struct Limits {
    int32_t left, top, right, bottom;  // right/bottom: exclusive for spans
};

// The polygon as the walker sees it: stride ints per vertex (x, y, depth,
// light), optional texture pairs.
struct PolygonInput {
    const int32_t* vertices;
    int32_t stride;
    int32_t count;
    const int32_t* texCoords;  // 2 per vertex, or null
    bool depth;
    bool light;
};

// Attributes of vertex i, as integers before the 16.16 shift.
struct Attr {
    int32_t u, v, d, l;
};

inline Attr AttrOf(const PolygonInput& p, int32_t i) {
    Attr a{0, 0, 0, 0};
    if (p.texCoords) {
        a.u = p.texCoords[2 * i];
        a.v = p.texCoords[2 * i + 1];
    }
    if (p.depth) a.d = p.vertices[i * p.stride + 2];
    if (p.light) a.l = p.vertices[i * p.stride + 3];
    return a;
}

// One edge a -> b of a chain into the rows of the band [top, bottom).
void WalkEdge(const PolygonInput& p, int32_t a, int32_t b, int32_t top, int32_t bottom, bool leftChain,
              SpanRow* rows) {
    int32_t xa = p.vertices[a * p.stride], ya = p.vertices[a * p.stride + 1];
    int32_t xb = p.vertices[b * p.stride], yb = p.vertices[b * p.stride + 1];
    if (yb <= ya || yb <= top) return;
    int32_t dy = Sub(yb, ya);
    if (dy <= 0) return;  // the coordinates wrapped: not a downward edge
    Attr va = AttrOf(p, a), vb = AttrOf(p, b);
    int32_t xs = Div(Fix(Sub(xb, xa)), dy);
    int32_t us = Div(Fix(Sub(vb.u, va.u)), dy), vs = Div(Fix(Sub(vb.v, va.v)), dy);
    int32_t ds = Div(Fix(Sub(vb.d, va.d)), dy), ls = Div(Fix(Sub(vb.l, va.l)), dy);
    int32_t x = Add(Fix(xa), 0xFFFF);
    int32_t u = Fix(va.u), v = Fix(va.v), d = Fix(va.d), l = Fix(va.l);
    if (ya < top) {
        int32_t k = Sub(top, ya);
        x = Add(x, Mul(k, xs));
        u = Add(u, Mul(k, us));
        v = Add(v, Mul(k, vs));
        d = Add(d, Mul(k, ds));
        l = Add(l, Mul(k, ls));
        ya = top;
    }
    yb = std::min(yb, bottom);
    for (int32_t y = ya; y < yb; ++y) {
        SpanRow& r = rows[y - top];
        if (leftChain) {
            r.leftX = x >> 16;
            r.leftU = u;
            r.leftV = v;
            r.leftDepth = d;
            r.leftLight = l;
        } else {
            r.rightX = x >> 16;
            r.rightU = u;
            r.rightV = v;
            r.rightDepth = d;
            r.rightLight = l;
        }
        x = Add(x, xs);
        u = Add(u, us);
        v = Add(v, vs);
        d = Add(d, ds);
        l = Add(l, ls);
    }
}

// Walks and fills; 1 when the scanline stage was reached.
int FillPolygonCore(const PolygonInput& p, const Limits& lim, SpanKind kind, const SpanTarget& target,
                    const SpanTexture* texture, uint8_t colour) {
    if (p.count < 1 || !p.vertices) return 0;
    int32_t minX = p.vertices[0], maxX = minX, minY = p.vertices[1], maxY = minY;
    int32_t topIndex = 0, bottomIndex = 0;
    for (int32_t i = 1; i < p.count; ++i) {
        int32_t x = p.vertices[i * p.stride], y = p.vertices[i * p.stride + 1];
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        if (y < minY) {
            minY = y;
            topIndex = i;
        }
        if (y > maxY) {
            maxY = y;
            bottomIndex = i;
        }
    }
    if (maxX < lim.left || minX > lim.right || maxY < lim.top || minY > lim.bottom) return 0;
    int32_t ystart = std::max(minY, lim.top);
    int32_t yend = std::min(maxY, lim.bottom);
    if (ystart >= yend) return 0;

    const uint8_t* shade = GRIB_GetEnvironment()->shadeTable;
    SpanRow rows[GRIB_SPAN_ROWS];
    for (int32_t bandTop = ystart; bandTop < yend;) {
        int32_t bandBottom = yend - bandTop > GRIB_SPAN_ROWS ? bandTop + GRIB_SPAN_ROWS : yend;
        int32_t rowCount = bandBottom - bandTop;
        // Rows a non-convex list leaves unwritten come out empty.
        for (int32_t i = 0; i < rowCount; ++i) rows[i].leftX = rows[i].rightX = 0;
        for (int32_t cur = topIndex; cur != bottomIndex;) {
            int32_t next = cur == 0 ? p.count - 1 : cur - 1;
            WalkEdge(p, cur, next, bandTop, bandBottom, true, rows);
            cur = next;
        }
        for (int32_t cur = topIndex; cur != bottomIndex;) {
            int32_t next = cur + 1 == p.count ? 0 : cur + 1;
            WalkEdge(p, cur, next, bandTop, bandBottom, false, rows);
            cur = next;
        }
        for (int32_t y = bandTop; y < bandBottom; ++y) {
            const SpanRow& r = rows[y - bandTop];
            if (r.rightX - r.leftX > 0) RunSpan(kind, y, r, target, texture, colour, shade);
        }
        bandTop = bandBottom;
    }
    return 1;
}

// Clip limits of a bitmap, kept inside its pixels.
bool BitmapLimits(const GribBitmap& b, Limits& lim, SpanTarget& target) {
    if (!(b.flags & GRIB_BITMAP_VALID) || !b.pixels) return false;
    int32_t w = static_cast<int32_t>(std::min<uint32_t>(std::min(b.width, b.pitch), INT32_MAX / 2));
    int32_t h = static_cast<int32_t>(std::min<uint32_t>(b.height, INT32_MAX / 2));
    lim.left = std::max(b.clipLeft, 0);
    lim.top = std::max(b.clipTop, 0);
    lim.right = std::min(b.clipRight, w);
    lim.bottom = std::min(b.clipBottom, h);
    target.pixels = b.pixels;
    target.stride = static_cast<int32_t>(b.pitch);
    target.depth = nullptr;
    target.clipLeft = lim.left;
    target.clipRight = lim.right;
    return lim.left < lim.right && lim.top < lim.bottom;
}

bool ImageLimits(const GribImage* image, Limits& lim, SpanTarget& target) {
    if (!image || !image->data || image->width == 0 || image->height == 0) return false;
    size_t need = static_cast<size_t>(image->width) * image->height;
    if (image->dataSize && image->dataSize < need) return false;
    lim = {0, 0, image->width - 1, image->height - 1};
    target.pixels = const_cast<uint8_t*>(image->data);
    target.stride = image->width;
    target.depth = image->depth;
    target.clipLeft = 0;
    target.clipRight = image->width - 1;
    return true;
}

bool TextureOf(const GribImage* texture, SpanTexture& t) {
    if (!texture || !texture->data || texture->width == 0 || texture->height == 0 || texture->compressed)
        return false;
    t.data = texture->data;
    t.width = texture->width;
    t.rows = texture->height;
    if (texture->dataSize) t.rows = static_cast<int32_t>(std::min<size_t>(t.rows, texture->dataSize / t.width));
    return t.rows > 0;
}

void DefaultCoords(const GribImage* texture, const int32_t* given, int32_t* out) {
    if (given) {
        std::copy(given, given + 8, out);
        return;
    }
    int32_t w = texture->width - 1, h = texture->height - 1;
    const int32_t corners[8] = {0, 0, w, 0, w, h, 0, h};
    std::copy(corners, corners + 8, out);
}

void TexturedQuad(GribImage* target, const GribImage* texture, const int32_t* vertices, const int32_t* texCoords,
                  int32_t stride, SpanKind kind) {
    Limits lim;
    SpanTarget st;
    SpanTexture tex;
    if (!vertices || !ImageLimits(target, lim, st) || !TextureOf(texture, tex)) return;
    int32_t coords[8];
    DefaultCoords(texture, texCoords, coords);
    PolygonInput p{vertices, stride, 4, coords, true, stride == 4};
    FillPolygonCore(p, lim, kind, st, &tex, 0);
}

}  // namespace

void GRIB_DrawTexturedQuad(GribBitmap* target, const GribImage* texture, const int32_t* vertices,
                           const int32_t* texCoords) {
    GribTarget bt(target);
    Limits lim;
    SpanTarget st;
    SpanTexture tex;
    if (!bt.get() || !vertices || !BitmapLimits(*bt.get(), lim, st) || !TextureOf(texture, tex)) return;
    int32_t coords[8];
    DefaultCoords(texture, texCoords, coords);
    PolygonInput p{vertices, 2, 4, coords, false, false};
    FillPolygonCore(p, lim, SpanKind::Texture, st, &tex, 0);
}

void GRIB_DrawTexturedQuadZ(GribImage* target, const GribImage* texture, const int32_t* vertices,
                            const int32_t* texCoords) {
    TexturedQuad(target, texture, vertices, texCoords, 3, SpanKind::TextureZ);
}

void GRIB_DrawTexturedQuadZLit(GribImage* target, const GribImage* texture, const int32_t* vertices,
                               const int32_t* texCoords) {
    TexturedQuad(target, texture, vertices, texCoords, 4, SpanKind::TextureZLit);
}

int GRIB_FillPolygon(GribBitmap* target, const int32_t* vertices, int32_t count, uint8_t colour) {
    GribTarget bt(target);
    Limits lim;
    SpanTarget st;
    if (!bt.get() || !BitmapLimits(*bt.get(), lim, st)) return 0;
    PolygonInput p{vertices, 2, count, nullptr, false, false};
    return FillPolygonCore(p, lim, SpanKind::Flat, st, nullptr, colour);
}

int GRIB_FillPolygonZ(GribImage* target, const int32_t* vertices, int32_t count, uint8_t colour) {
    Limits lim;
    SpanTarget st;
    if (!ImageLimits(target, lim, st)) return 0;
    PolygonInput p{vertices, 3, count, nullptr, true, false};
    return FillPolygonCore(p, lim, SpanKind::FlatZ, st, nullptr, colour);
}

int GRIB_FillPolygonZLit(GribImage* target, const int32_t* vertices, int32_t count, uint8_t colour) {
    Limits lim;
    SpanTarget st;
    if (!ImageLimits(target, lim, st)) return 0;
    PolygonInput p{vertices, 4, count, nullptr, true, true};
    return FillPolygonCore(p, lim, SpanKind::FlatZLit, st, nullptr, colour);
}
