// Interpreter speed: a tight arithmetic loop, and one frame of 500 units.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "kit/script/script_asm.h"
#include "script/instance.h"
#include "script/script_file.h"

namespace {

class BenchHost : public ScriptInstance {
public:
    int32_t GetPiecePosition(int32_t p, int32_t a) override { return pos[p & 7][a & 3]; }
    void SetPiecePosition(int32_t p, int32_t a, int32_t v) override { pos[p & 7][a & 3] = v; }
    int32_t GetPieceAngle(int32_t p, int32_t a) override { return angle[p & 7][a & 3]; }
    void SetPieceAngle(int32_t p, int32_t a, int32_t v) override { angle[p & 7][a & 3] = v; }
    void SetPieceVisible(int32_t, int32_t) override {}
    void SetPieceCacheFlag(int32_t, int32_t) override {}
    void SetPieceShadeFlag(int32_t, int32_t) override {}
    std::array<std::array<int32_t, 4>, 8> pos{};
    std::array<std::array<int32_t, 4>, 8> angle{};
};

ScriptFile* Build(const char* source) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!AssembleScript(source, bytes, error)) return nullptr;
    void* block = GRIB_Alloc("bench script", bytes.size());
    std::memcpy(block, bytes.data(), bytes.size());
    return LoadScriptFromBlock(block, static_cast<int32_t>(bytes.size()));
}

// 900,003 instructions per call: inside one thread turn.
const char kLoop[] = R"(
function Loop
    allocate
    push 0
    pop_local 0
loop:
    push_local 0
    push 1
    add
    pop_local 0
    push_local 0
    push 100000
    less
    jump_if_zero done
    jump loop
done:
    return
)";
constexpr int64_t kLoopInstructions = 3 + 99999 * 9 + 8 + 1;

void BM_ArithmeticLoop(benchmark::State& state) {
    GRIB_Startup(30, nullptr, 0);
    ScriptFile* file = Build(kLoop);
    BenchHost host;
    AttachScript(&host, file);
    for (auto _ : state) {
        StartFunction(&host, "Loop", nullptr, 1);
        benchmark::DoNotOptimize(host.threads[0].stack[0]);
    }
    if (host.threads[0].stack[0] != 100000) state.SkipWithError("loop did not finish");
    state.SetItemsProcessed(state.iterations() * kLoopInstructions);
    AttachScript(&host, nullptr);
    FreeScript(file);
}
BENCHMARK(BM_ArithmeticLoop)->Unit(benchmark::kMillisecond);

// A unit at rest between actions: three threads asleep, two pieces spinning.
const char kUnit[] = R"(
piece base spinner dish
function Create
    push 0
    push 3000
    spin spinner y
    push 300
    push 1500
    spin dish x
    start Idle 0
    start Idle 0
    push 100000000
    sleep
    return
function Idle
    push 100000000
    sleep
    return
)";

void BM_FrameOf500Units(benchmark::State& state) {
    GRIB_Startup(30, nullptr, 0);
    ScriptFile* file = Build(kUnit);
    std::vector<std::unique_ptr<BenchHost>> units;
    for (int i = 0; i < 500; i++) {
        units.push_back(std::make_unique<BenchHost>());
        AttachScript(units.back().get(), file);
        StartFunction(units.back().get(), "Create", nullptr, 1);
    }
    for (int i = 0; i < 40; i++)  // the dish is past its acceleration
        for (auto& u : units) RunScript(u.get(), 1);
    if (units[0]->activeThreads != 3) state.SkipWithError("threads not asleep");
    for (auto _ : state) {
        for (auto& u : units) RunScript(u.get(), 1);
    }
    // Seconds per unit per frame.
    state.counters["per_unit"] = benchmark::Counter(static_cast<double>(state.iterations()) * 500,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    units.clear();
    FreeScript(file);
}
BENCHMARK(BM_FrameOf500Units)->Unit(benchmark::kMicrosecond);

}  // namespace
