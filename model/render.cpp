// Projection, per-polygon lighting, the painter's order without depth
// buffering, and the dispatch to the polygon fillers.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/image/textures.h"
#include "grib/raster/raster.h"
#include "model/scene_internal.h"

namespace {

// Truncation toward zero, saturating where a double leaves the 32-bit range.
int32_t TruncSat(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t AddSat(int32_t a, int64_t b) { return int32_t(std::clamp<int64_t>(int64_t(a) + b, INT32_MIN, INT32_MAX)); }

int32_t WrapMul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }
int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }

void Project(SceneEntry& e, int32_t W, int32_t H, const ViewParams& v) {
    const double s = v.scale * v.baseScale;
    const double k = s / (2.0 * std::max(W, H)) * 256.0;
    const int32_t hw = W / 2, hh = H / 2;
    ForEachPieceWith(e.walk, e.root, [&](Piece* p) {
        if (!EnsureWorkVertices(p) || !p->workVertices) return;
        for (int32_t i = 0; i < p->vertexCount; ++i) {
            WorkVertex& w = p->workVertices[i];
            w.screenX = AddSat(TruncSat(w.x * s), hw);
            w.screenY = AddSat(hh, -int64_t(TruncSat(w.y * s)));
            if (v.depthMode) w.depth = TruncSat(w.z * k);
        }
    });
}

bool PolygonUsable(const Piece* p, const PiecePolygon* g) {
    if (!p->workVertices || g->vertexCount < 0 || g->vertexCount > PIECE_MAX_POLYGON_VERTICES) return false;
    for (int32_t i = 0; i < g->vertexCount; ++i)
        if (g->vertexIndices[i] < 0 || g->vertexIndices[i] >= p->vertexCount) return false;
    return true;
}

// Back faces (counter-clockwise on screen) are culled; fewer than three
// vertices are kept.
bool FacesViewer(const PolygonRef& r) {
    const PiecePolygon* g = r.polygon;
    if (g->vertexCount < 3) return true;
    const WorkVertex* w = r.piece->workVertices;
    const WorkVertex &q0 = w[g->vertexIndices[0]], &q1 = w[g->vertexIndices[1]], &q2 = w[g->vertexIndices[2]];
    return WrapMul(WrapSub(q1.screenX, q0.screenX), WrapSub(q2.screenY, q0.screenY)) >
           WrapMul(WrapSub(q2.screenX, q0.screenX), WrapSub(q1.screenY, q0.screenY));
}

PaintExtent ExtentOf(const PolygonRef& r) {
    PaintExtent e{0, 0, 0, 0, 0, true};
    const PiecePolygon* g = r.polygon;
    const WorkVertex* w = r.piece->workVertices;
    double sumZ = 0;
    for (int32_t i = 0; i < g->vertexCount; ++i) {
        const WorkVertex& v = w[g->vertexIndices[i]];
        if (e.empty) {
            e = {v.x, v.x, v.y, v.y, 0, false};
        } else {
            e.minX = std::min(e.minX, v.x);
            e.maxX = std::max(e.maxX, v.x);
            e.minY = std::min(e.minY, v.y);
            e.maxY = std::max(e.maxY, v.y);
        }
        sumZ += v.z;
    }
    if (!e.empty) e.meanZ = sumZ / g->vertexCount;
    return e;
}

int32_t Compare(const PaintExtent& a, const PaintExtent& b) {
    if (a.empty || b.empty) return 0;
    if (a.maxX < b.minX || b.maxX < a.minX || a.maxY < b.minY || b.maxY < a.minY) return 0;
    return TruncSat((a.meanZ - b.meanZ) * 4096);
}

void PainterSort(SceneEntry& e) {
    std::vector<PolygonRef>& refs = e.references;
    // Two-ended partition: kept references to the front.
    int32_t i = 0, j = int32_t(refs.size()) - 1;
    for (;;) {
        while (i <= j && FacesViewer(refs[size_t(i)])) ++i;
        while (j > i && !FacesViewer(refs[size_t(j)])) --j;
        if (i >= j) break;
        std::swap(refs[size_t(i)], refs[size_t(j)]);
    }
    const int32_t kept = i;
    e.drawnCount = kept;
    e.extents.resize(size_t(kept));
    const std::span<PaintExtent> extents(e.extents);
    for (int32_t a = 0; a < kept; ++a) {
        refs[size_t(a)].inFrontCount = 0;
        refs[size_t(a)].visited = 0;
        extents[size_t(a)] = ExtentOf(refs[size_t(a)]);
    }
    auto append = [](PolygonRef& r, int32_t index) {
        if (r.inFrontCount < 16) r.inFront[r.inFrontCount++] = index;
    };
    for (int32_t a = 0; a < kept; ++a)
        for (int32_t b = a + 1; b < kept; ++b) {
            int32_t c = Compare(extents[size_t(a)], extents[size_t(b)]);
            if (c < 0) append(refs[size_t(a)], b);
            if (c > 0) append(refs[size_t(b)], a);
        }
    // Depth-first: what a reference lists is drawn before it.
    e.orderedCount = 0;
    std::vector<PaintFrame>& stack = e.frames;
    stack.clear();
    for (int32_t start = 0; start < kept; ++start) {
        if (refs[size_t(start)].visited) continue;
        refs[size_t(start)].visited = 1;
        stack.push_back({start, 0});
        while (!stack.empty()) {
            PaintFrame& f = stack.back();
            PolygonRef& r = refs[size_t(f.ref)];
            if (f.next < r.inFrontCount) {
                int32_t n = r.inFront[f.next++];
                if (!refs[size_t(n)].visited) {
                    refs[size_t(n)].visited = 1;
                    stack.push_back({n, 0});
                }
            } else {
                e.order[size_t(e.orderedCount++)] = f.ref;
                stack.pop_back();
            }
        }
    }
    for (int32_t k = 0; k < e.orderedCount; ++k) e.scratch[size_t(k)] = refs[size_t(e.order[size_t(k)])];
    std::copy(e.scratch.begin(), e.scratch.begin() + e.orderedCount, refs.begin());
}

int32_t DepthByte(int32_t depth) { return int32_t(std::clamp<int64_t>(127 - int64_t(depth), 0, 255)); }

int32_t ShadeOf(const WorkVertex& a, const WorkVertex& b, const WorkVertex& c, const ViewParams& v) {
    const int32_t p0[3] = {a.screenX, a.screenY, a.depth};
    const int32_t p1[3] = {b.screenX, b.screenY, b.depth};
    const int32_t p2[3] = {c.screenX, c.screenY, c.depth};
    Vec3f A = VectorDifference(p1, p0), B = VectorDifference(p1, p2);
    Vec3f N = VectorNormalise(VectorCross(A, B));
    double dot = double(v.lightX * N.x + v.lightY * N.y + v.lightZ * N.z);
    return std::clamp(TruncSat(10 * dot), 0, 31);
}

void DrawReference(const PolygonRef& r, GribBitmap* surface, GribImage* image, const ViewParams& v) {
    const Piece* P = r.piece;
    const PiecePolygon* G = r.polygon;
    if (!PolygonUsable(P, G)) return;
    int32_t fill = P->fill, outline = P->outline, outlineColour = P->outlineColour;
    if (r.polygonIndex == P->selectionPolygon) {
        if (!v.showSelection) return;
        fill = 0;
        outline = 1;
        outlineColour = v.selectionColour;
    }
    const int32_t n = G->vertexCount;
    const WorkVertex* w = P->workVertices;
    const GribImage* texture = nullptr;
    // The textured fillers read four vertices: fewer than three have no quad.
    if (fill && !P->solidOverride && G->textured && n >= 3) texture = GRIB_FindTexture(G->textureName);
    const uint8_t colour = uint8_t(P->solidOverride ? P->overrideColour : G->colourIndex);
    int32_t list[(PIECE_MAX_POLYGON_VERTICES + 1) * 4] = {};

    if (v.depthMode) {
        if (!fill) return;  // edges are not drawn in depth mode
        const int stride = P->lit ? 4 : 3;
        int32_t shade = 0;
        if (P->lit) {
            // Fewer than three vertices have no facing and cover no pixel: skipped.
            if (n < 3) return;
            shade = ShadeOf(w[G->vertexIndices[0]], w[G->vertexIndices[1]], w[G->vertexIndices[2]], v);
        }
        for (int32_t i = 0; i <= n; ++i) {
            const WorkVertex& x = w[G->vertexIndices[i == n ? 0 : i]];
            int32_t* o = list + i * stride;
            o[0] = x.screenX;
            o[1] = x.screenY;
            o[2] = DepthByte(x.depth);
            if (P->lit) o[3] = shade;
        }
        if (n == 0) return;
        if (!P->solidOverride && G->textured) {
            if (!texture) return;
            if (P->lit)
                GRIB_DrawTexturedQuadZLit(image, texture, list, nullptr);
            else
                GRIB_DrawTexturedQuadZ(image, texture, list, nullptr);
        } else if (P->lit) {
            GRIB_FillPolygonZLit(image, list, n, colour);
        } else {
            GRIB_FillPolygonZ(image, list, n, colour);
        }
        return;
    }
    if (n == 0) return;
    for (int32_t i = 0; i <= n; ++i) {
        const WorkVertex& x = w[G->vertexIndices[i == n ? 0 : i]];
        list[2 * i] = x.screenX;
        list[2 * i + 1] = x.screenY;
    }
    if (fill) {
        if (!P->solidOverride && G->textured) {
            if (texture) GRIB_DrawTexturedQuad(surface, texture, list, nullptr);
        } else {
            GRIB_FillPolygon(surface, list, n, colour);
        }
    }
    if (outline) GRIB_DrawPolyline(surface, list, n + 1, uint8_t(outlineColour));
}

}  // namespace

void RenderTree(int32_t handle, GribBitmap* surface, const ViewParams* view) {
    SceneEntry* e = SceneEntryOf(handle);
    if (!e || !surface || !view || !surface->pixels) return;
    const int32_t W = int32_t(std::min<uint32_t>(surface->width, 65535));
    const int32_t H = int32_t(std::min<uint32_t>(surface->height, 65535));
    if (W <= 0 || H <= 0) return;
    Project(*e, W, H, *view);
    GribImage image{};
    if (view->depthMode) {
        e->drawnCount = e->polygonCount;
        // The target image's stride is the pitch, so the depth buffer
        // covers pitch × height bytes (pitch ≥ width).
        if (surface->pitch > 65535) return;
        GRIB_ImageFromBitmap(&image, surface);
        size_t need = size_t(surface->pitch) * surface->height;
        if (e->depthBuffer.size() < need) e->depthBuffer.resize(need);
        std::memset(e->depthBuffer.data(), 0, need);
        image.depth = e->depthBuffer.data();
    } else {
        PainterSort(*e);
    }
    for (int32_t i = 0; i < e->drawnCount; ++i) DrawReference(e->references[size_t(i)], surface, &image, *view);
}
