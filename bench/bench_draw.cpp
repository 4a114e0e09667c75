// 2D drawing throughput at 1280 x 960, in pixels per second (items/s).
#include <benchmark/benchmark.h>

#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "grib/env/env.h"

namespace {

constexpr uint32_t kWidth = 1280, kHeight = 960;

struct Surface {
    std::vector<uint8_t> pixels;
    GribBitmap bitmap{};
    Surface(uint32_t w, uint32_t h) : pixels(static_cast<size_t>(w) * h) {
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 31 + (i >> 7));
        GRIB_InitBitmap(&bitmap, w, h, w, pixels.data());
    }
};

void Start() {
    static bool started = [] {
        GRIB_Startup(30, nullptr, 0);
        GribEnvironment* env = GRIB_GetEnvironment();
        env->alphaTable = static_cast<uint8_t*>(GRIB_Alloc("ALPHA TABLE", 65536));
        for (int s = 0; s < 256; ++s)
            for (int d = 0; d < 256; ++d) env->alphaTable[s * 256 + d] = static_cast<uint8_t>((s + d) / 2);
        env->flags |= GRIB_FLAG_ALPHA;
        return true;
    }();
    (void)started;
}

// A sprite-like frame: per row, transparent gaps, flat runs and detailed
// runs, as a GAF sprite would hold them.
std::vector<uint8_t> SpriteRows(uint32_t width, uint32_t height) {
    std::vector<uint8_t> rows;
    for (uint32_t y = 0; y < height; ++y) {
        std::vector<uint8_t> codes;
        uint32_t x = 0;
        while (x < width) {
            uint32_t left = width - x;
            uint32_t skip = std::min<uint32_t>(left, 6 + (y % 5));
            codes.push_back(static_cast<uint8_t>(skip << 1 | 1));
            x += skip;
            left = width - x;
            if (!left) break;
            uint32_t repeat = std::min<uint32_t>(left, 20);
            codes.push_back(static_cast<uint8_t>((repeat - 1) << 2 | 2));
            codes.push_back(static_cast<uint8_t>(y));
            x += repeat;
            left = width - x;
            if (!left) break;
            uint32_t copy = std::min<uint32_t>(left, 30);
            codes.push_back(static_cast<uint8_t>((copy - 1) << 2));
            for (uint32_t i = 0; i < copy; ++i) codes.push_back(static_cast<uint8_t>(x + i));
            x += copy;
        }
        rows.push_back(static_cast<uint8_t>(codes.size() & 0xFF));
        rows.push_back(static_cast<uint8_t>(codes.size() >> 8));
        rows.insert(rows.end(), codes.begin(), codes.end());
    }
    return rows;
}

void BM_Blit(benchmark::State& state) {
    Start();
    Surface src(kWidth, kHeight), dst(kWidth, kHeight);
    for (auto _ : state) {
        GRIB_Blit(&dst.bitmap, &src.bitmap, 0, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Blit);

void BM_DrawImageRle(benchmark::State& state) {
    Start();
    Surface dst(kWidth, kHeight);
    std::vector<uint8_t> rows = SpriteRows(kWidth, kHeight);
    GribImage sprite{};
    sprite.width = kWidth;
    sprite.height = kHeight;
    sprite.compressed = 1;
    sprite.data = rows.data();
    sprite.dataSize = rows.size();
    // Arg 1: drawn a quarter outside on the left and top, so the walkers
    // enter runs part-way and skip rows.
    const int32_t shift = state.range(0) ? -static_cast<int32_t>(kWidth / 4) : 0;
    const int64_t drawn = state.range(0) ? int64_t{kWidth * 3 / 4} * (kHeight * 3 / 4) : int64_t{kWidth} * kHeight;
    for (auto _ : state) {
        GRIB_DrawImage(&dst.bitmap, &sprite, shift, shift * 3 / 4);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * drawn);
}
BENCHMARK(BM_DrawImageRle)->Arg(0)->Arg(1);

void BM_DrawImageScaled(benchmark::State& state) {
    Start();
    Surface dst(kWidth, kHeight);
    Surface art(kWidth / 2, kHeight / 2);
    GribImage image{};
    GRIB_ImageFromBitmap(&image, &art.bitmap);
    for (auto _ : state) {
        GRIB_DrawImageScaled(&dst.bitmap, &image, 0, 0, 2.0, 2.0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DrawImageScaled);

void BM_HalveImage(benchmark::State& state) {
    Start();
    Surface twice(kWidth * 2, kHeight * 2);
    Surface dst(kWidth, kHeight);
    GribImage source{}, destination{};
    GRIB_ImageFromBitmap(&source, &twice.bitmap);
    GRIB_ImageFromBitmap(&destination, &dst.bitmap);
    for (auto _ : state) {
        GRIB_HalveImage(&source, &destination);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);  // destination pixels
}
BENCHMARK(BM_HalveImage);

}  // namespace
