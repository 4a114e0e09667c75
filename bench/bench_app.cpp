// The viewer's start-up data path for a game of 500 units in archives, and
// one antialiased frame of the current unit with all 500 scripts running.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/frame.h"
#include "app/hooks.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/bitmap/bitmap.h"
#include "grib/env/env.h"
#include "kit/game/game_builder.h"

namespace {

const int kUnits = 500;

// Builds the game once per process: units spread over three archives.
const std::string& GameFolder() {
    static std::string folder;
    if (!folder.empty()) return folder;
    char pattern[] = "/tmp/showcase-bench-XXXXXX";
    folder = mkdtemp(pattern);
    KitGame game;
    KitGameOptions options;
    options.weapons = {{"LASER", {{"reloadtime", "1.5"}, {"aimrate", "16384"}, {"soundstart", "zap"}}}};
    options.sounds = {"zap"};
    KitAddBase(game, options);
    const char* archives[] = {"Varnho.GRB", "Varnho1.GRB", "Extra.GRB"};
    for (int i = 0; i < kUnits; ++i) {
        char file[32];
        std::snprintf(file, sizeof file, "%s%04d", i % 2 ? "COR" : "ARM", i);
        KitGameUnit u = KitSampleUnit(file, file);
        u.archive = archives[i % 3];
        KitAddUnit(game, u, nullptr);
    }
    KitWriteGame(game, folder, nullptr);
    std::atexit([] { std::filesystem::remove_all(folder); });
    return folder;
}

void Enter() {
    GRIB_Startup(30, nullptr, 0);
    g_viewerHooks.playSound = [](const void*, size_t, uint32_t) { return 0; };
    if (chdir(GameFolder().c_str()) != 0) std::abort();
}

void BM_StartUp500Units(benchmark::State& state) {
    Enter();
    for (auto _ : state) {
        ViewerLoadData(0);
        if (g_viewer.units.size() != size_t(kUnits)) state.SkipWithError("units missing");
        state.PauseTiming();
        ViewerReset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp500Units)->Unit(benchmark::kMillisecond);

void BM_DrawView500Units(benchmark::State& state) {
    Enter();
    ViewerReset();
    ViewerLoadData(0);
    g_viewer.antialias = true;
    g_viewer.currentUnit = g_viewer.units.front();
    g_viewer.currentSide = 1;
    GribBitmap* surface = GRIB_CreateBitmap("bench surface", uint32_t(state.range(0)), uint32_t(state.range(1)));
    DrawView(nullptr, surface, 0);
    uint32_t frame = 0;
    for (auto _ : state) {
        // Fire now and then so shots, reloads and aims are part of the frames.
        if (++frame % 30 == 0)
            for (ViewerUnit* u : g_viewer.units) UnitCommand(u, ID_FIRE);
        benchmark::DoNotOptimize(DrawView(nullptr, surface, 1));
    }
    GRIB_FreeBitmap(surface);
    ViewerReset();
}
BENCHMARK(BM_DrawView500Units)->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);

}  // namespace
