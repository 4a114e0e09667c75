// Fill rate of each span filler: a 256 × 256 quad per iteration into a
// 640 × 480 target; items = pixels written (or depth-tested).
#include <benchmark/benchmark.h>

#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/env/env.h"
#include "grib/raster/raster.h"

namespace {

struct Fixture {
    std::vector<uint8_t> pixels, depth, texels, shade;
    GribBitmap bitmap{};
    GribImage target{}, texture{};
    Fixture(int textureWidth) : pixels(640 * 480), depth(640 * 480), texels(size_t(textureWidth) * 64), shade(8192) {
        GRIB_Startup(30, nullptr, 0);
        GRIB_InitBitmap(&bitmap, 640, 480, 640, pixels.data());
        GRIB_ImageFromBitmap(&target, &bitmap);
        target.depth = depth.data();
        for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint8_t(i * 7);
        for (size_t i = 0; i < shade.size(); ++i) shade[i] = uint8_t(i);
        texture.width = uint16_t(textureWidth);
        texture.height = 64;
        texture.data = texels.data();
        texture.dataSize = texels.size();
        GRIB_GetEnvironment()->shadeTable = shade.data();
    }
    ~Fixture() { GRIB_GetEnvironment()->shadeTable = nullptr; }
};

constexpr int32_t kSide = 256;
const int32_t kXY[8] = {100, 100, 100 + kSide, 100, 100 + kSide, 100 + kSide, 100, 100 + kSide};
const int32_t kXYZ[12] = {100, 100, 50, 100 + kSide, 100, 60, 100 + kSide, 100 + kSide, 70, 100, 100 + kSide, 80};
const int32_t kXYZL[16] = {100, 100, 50, 3, 100 + kSide, 100, 60, 9, 100 + kSide, 100 + kSide, 70, 20, 100, 100 + kSide, 80, 30};

template <class F>
void Run(benchmark::State& state, Fixture& f, F draw) {
    for (auto _ : state) {
        std::fill(f.depth.begin(), f.depth.end(), 0);  // every pixel passes the test
        draw();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_FillPolygon(benchmark::State& s) {
    Fixture f(64);
    Run(s, f, [&] { GRIB_FillPolygon(&f.bitmap, kXY, 4, 7); });
}
void BM_FillPolygonZ(benchmark::State& s) {
    Fixture f(64);
    Run(s, f, [&] { GRIB_FillPolygonZ(&f.target, kXYZ, 4, 7); });
}
void BM_FillPolygonZLit(benchmark::State& s) {
    Fixture f(64);
    Run(s, f, [&] { GRIB_FillPolygonZLit(&f.target, kXYZL, 4, 7); });
}
void BM_TexturedQuad(benchmark::State& s) {
    Fixture f(int(s.range(0)));
    Run(s, f, [&] { GRIB_DrawTexturedQuad(&f.bitmap, &f.texture, kXY, nullptr); });
}
void BM_TexturedQuadZ(benchmark::State& s) {
    Fixture f(int(s.range(0)));
    Run(s, f, [&] { GRIB_DrawTexturedQuadZ(&f.target, &f.texture, kXYZ, nullptr); });
}
void BM_TexturedQuadZLit(benchmark::State& s) {
    Fixture f(int(s.range(0)));
    Run(s, f, [&] { GRIB_DrawTexturedQuadZLit(&f.target, &f.texture, kXYZL, nullptr); });
}
void BM_DrawLine(benchmark::State& s) {
    Fixture f(64);
    for (auto _ : s) {
        for (int i = 0; i < 100; ++i) GRIB_DrawLine(&f.bitmap, -50, i * 5, 700, 479 - i * 4, 3);
        benchmark::ClobberMemory();
    }
    s.SetItemsProcessed(s.iterations() * 100 * 640);
}

}  // namespace

BENCHMARK(BM_FillPolygon);
BENCHMARK(BM_FillPolygonZ);
BENCHMARK(BM_FillPolygonZLit);
BENCHMARK(BM_TexturedQuad)->Arg(64)->Arg(48);
BENCHMARK(BM_TexturedQuadZ)->Arg(64)->Arg(48);
BENCHMARK(BM_TexturedQuadZLit)->Arg(64)->Arg(48);
BENCHMARK(BM_DrawLine);
