// The scene table: registered trees, their flattened polygon lists and
// depth buffers; posing a tree.
#include <cmath>
#include <cstring>
#include <vector>

#include "model/scene_internal.h"

std::vector<SceneEntry> g_sceneTable;

SceneEntry* SceneEntryOf(int32_t handle) {
    if (handle < 1 || size_t(handle) > g_sceneTable.size()) return nullptr;
    SceneEntry& e = g_sceneTable[size_t(handle) - 1];
    return e.inUse ? &e : nullptr;
}

int32_t RegisterTree(Piece* root) {
    size_t index = 0;
    while (index < g_sceneTable.size() && g_sceneTable[index].inUse) ++index;
    if (index == g_sceneTable.size()) g_sceneTable.emplace_back();
    SceneEntry& e = g_sceneTable[index];
    e = SceneEntry{};
    e.inUse = 1;
    e.root = root;
    ForEachPiece(root, [&](Piece* p) {
        for (int32_t i = 0; i < p->polygonCount; ++i) {
            PolygonRef r{};
            r.piece = p;
            r.polygonIndex = i;
            r.polygon = &p->polygons[i];
            e.references.push_back(r);
        }
    });
    e.polygonCount = int32_t(e.references.size());
    e.scratch.resize(e.references.size());
    e.order.resize(e.references.size());
    e.extents.reserve(e.references.size());
    e.frames.reserve(e.references.size());
    size_t pieces = 0;
    ForEachPiece(root, [&](Piece*) { ++pieces; });
    e.walk.reserve(pieces);
    e.posed.reserve(pieces);
    return int32_t(index) + 1;
}

void UnregisterTree(int32_t handle) {
    SceneEntry* e = SceneEntryOf(handle);
    if (!e) return;
    *e = SceneEntry{};  // releases the polygon lists, the depth buffer and the working space
}

void SetRenderOptions(int32_t handle, int32_t outline, int32_t fill, int32_t solidOverride, int32_t lit,
                      int32_t outlineColour, int32_t overrideColour) {
    SceneEntry* e = SceneEntryOf(handle);
    if (!e) return;
    ForEachPieceWith(e->walk, e->root, [&](Piece* p) {
        p->outline = outline;
        p->fill = fill;
        p->solidOverride = solidOverride;
        p->lit = lit;
        p->outlineColour = outlineColour;
        p->overrideColour = overrideColour;
    });
}

void PoseVertex(WorkVertex& v, double ax, double ay, double az, const float* offset) {
    double x = v.x, y = v.y, z = v.z;
    if (ay != 0) {
        double r = std::hypot(x, z);
        if (r != 0) {
            double t = std::atan2(x, z) + ay;
            x = r * std::sin(t);
            z = r * std::cos(t);
        }
    }
    if (ax != 0) {
        double r = std::hypot(z, y);
        if (r != 0) {
            double t = std::atan2(z, y) + ax;
            z = r * std::sin(t);
            y = r * std::cos(t);
        }
    }
    if (az != 0) {
        double r = std::hypot(y, x);
        if (r != 0) {
            double t = std::atan2(y, x) + az;
            y = r * std::sin(t);
            x = r * std::cos(t);
        }
    }
    v.x = x + offset[0];
    v.y = y + offset[1];
    v.z = z + offset[2];
}

// Every vertex gets its own piece's pose, then its parent's, up to the root.
// The root's siblings (and what hangs below them) are not posed: the walk
// starts at the root's child only.
void AnimateTree(int32_t handle) {
    SceneEntry* e = SceneEntryOf(handle);
    if (!e || !e->root) return;
    ForEachPieceWith(e->walk, e->root, [](Piece* p) {
        if (!EnsureWorkVertices(p) || !p->workVertices) return;
        for (int32_t i = 0; i < p->vertexCount; ++i) {
            p->workVertices[i].x = p->vertices[i][0];
            p->workVertices[i].y = p->vertices[i][1];
            p->workVertices[i].z = p->vertices[i][2];
        }
    });
    std::vector<PosedPiece>& posed = e->posed;
    posed.assign(1, {e->root, -1});
    for (size_t i = 0; i < posed.size(); ++i)
        for (Piece* c = posed[i].piece->child; c; c = c->sibling) posed.push_back({c, int32_t(i)});
    for (const PosedPiece& x : posed) {
        Piece* p = x.piece;
        if (!p->workVertices) continue;
        for (int32_t q = int32_t(&x - posed.data()); q >= 0; q = posed[size_t(q)].parent) {
            const Piece* pose = posed[size_t(q)].piece;
            for (int32_t i = 0; i < p->vertexCount; ++i)
                PoseVertex(p->workVertices[i], pose->angleX, pose->angleY, pose->angleZ, pose->offset);
        }
    }
}

Vec3f VectorDifference(const int32_t* first, const int32_t* second) {
    return {float(second[0]) - float(first[0]), float(second[1]) - float(first[1]), float(second[2]) - float(first[2])};
}

Vec3f VectorCross(const Vec3f& a, const Vec3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3f VectorNormalise(const Vec3f& v) {
    float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0) || !std::isfinite(length)) return {0, 0, 0};
    return {v.x / length, v.y / length, v.z / length};
}
