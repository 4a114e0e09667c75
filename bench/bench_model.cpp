// AnimateTree + RenderTree of a 2,000-polygon model at 640 × 480, depth
// mode, lit; and the painter's order for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/env/env.h"
#include "model/piece.h"
#include "model/scene.h"

namespace {

// A tree of 20 pieces (a root, 4 arms of 4 pieces, 3 loose), each a ring of
// quads: 100 polygons per piece.
Piece* BuildModel() {
    auto makePiece = [](float radius, float dx, float dy) {
        Piece* p = NewPiece();
        const int rings = 10, around = 10;
        p->vertexCount = (rings + 1) * around;
        p->vertices = static_cast<float(*)[3]>(GRIB_Alloc("Vertices", sizeof(float[3]) * size_t(p->vertexCount)));
        for (int r = 0; r <= rings; ++r)
            for (int a = 0; a < around; ++a) {
                float t = float(a) * 6.2831853f / around, phi = float(r) * 3.14159265f / rings;
                float* v = p->vertices[r * around + a];
                v[0] = radius * std::sin(phi) * std::cos(t);
                v[1] = radius * std::cos(phi);
                v[2] = radius * std::sin(phi) * std::sin(t);
            }
        p->polygonCount = rings * around;
        p->polygons = static_cast<PiecePolygon*>(GRIB_Alloc("Polygons", sizeof(PiecePolygon) * size_t(p->polygonCount)));
        std::memset(p->polygons, 0, sizeof(PiecePolygon) * size_t(p->polygonCount));
        for (int r = 0; r < rings; ++r)
            for (int a = 0; a < around; ++a) {
                PiecePolygon& g = p->polygons[r * around + a];
                int b = (a + 1) % around;
                g.vertexCount = 4;
                g.vertexIndices[0] = r * around + a;
                g.vertexIndices[1] = r * around + b;
                g.vertexIndices[2] = (r + 1) * around + b;
                g.vertexIndices[3] = (r + 1) * around + a;
                g.colourIndex = 16 + (r * around + a) % 200;
            }
        p->offset[0] = dx;
        p->offset[1] = dy;
        return p;
    };
    Piece* root = makePiece(30, 0, 0);
    Piece** link = &root->child;
    for (int arm = 0; arm < 4; ++arm) {
        Piece* first = makePiece(12, arm % 2 ? 30.f : -30.f, arm < 2 ? 20.f : -20.f);
        *link = first;
        link = &first->sibling;
        Piece* p = first;
        for (int k = 0; k < 3; ++k) {
            p->child = makePiece(8, 8, 8);
            p = p->child;
        }
    }
    for (int k = 0; k < 3; ++k) {
        *link = makePiece(6, -40.f + 40.f * k, -60);
        link = &(*link)->sibling;
    }
    return root;
}

void Render(benchmark::State& state, int depthMode) {
    GRIB_Startup(30, nullptr, 0);
    std::vector<uint8_t> shade(8192);
    for (size_t i = 0; i < shade.size(); ++i) shade[i] = uint8_t(i);
    GRIB_GetEnvironment()->shadeTable = shade.data();
    Piece* root = BuildModel();
    int32_t h = RegisterTree(root);
    SetRenderOptions(h, 0, 1, 0, 1, 0, 0);
    GribBitmap* surface = GRIB_CreateBitmap("Bench Surface", 640, 480);
    ViewParams view{1.0, 2.5, 0, depthMode, 0, -0.75f, -0.75f, -2.25f};
    double angle = 0;
    for (auto _ : state) {
        root->angleY = angle += 0.01;
        GRIB_ClearBitmap(surface, 0);
        AnimateTree(h);
        RenderTree(h, surface, &view);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2000);  // polygons
    UnregisterTree(h);
    FreePieceTree(root);
    GRIB_FreeBitmap(surface);
    GRIB_GetEnvironment()->shadeTable = nullptr;
}

void BM_AnimateRender2000Depth(benchmark::State& s) { Render(s, 1); }
void BM_AnimateRender2000Painter(benchmark::State& s) { Render(s, 0); }

}  // namespace

BENCHMARK(BM_AnimateRender2000Depth)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnimateRender2000Painter)->Unit(benchmark::kMicrosecond);
