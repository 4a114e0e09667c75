// Text data files: loading a 1 MB file, and entering a section and reading
// a string from a file of 2,000 sections.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "grib/tdf/tdf.h"

namespace {

// A unit-file-like section with comments and loose white space.
std::string Section(int i) {
    std::string n = std::to_string(i);
    return "[UNIT" + n + "]\n{\n"
           "\tName = Unit number " + n + " ;   // shown in the panel\n"
           "\tDescription = A generated unit for timing ;\n"
           "\tBuildCostEnergy = " + std::to_string(100 + i) + " ;\n"
           "\tMaxVelocity = 1.25 ;\n"
           "\t/* weapons follow */\n"
           "\t[WEAPON1] { reload = 2 ; range = 300 ; }\n"
           "\tTurnRate = 300 ;\n}\n\n";
}

std::string WriteFile(const std::string& name, const std::string& text) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/bench_tdf_" + std::to_string(getpid()) + "_" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
}

void BM_Load1MB(benchmark::State& state) {
    GRIB_Startup(30, nullptr, 0);
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i) text += Section(i);
    text.resize(1u << 20);
    std::string path = WriteFile("1mb.tdf", text);
    for (auto _ : state) {
        TdfFile tdf;
        if (!TDF_Load(&tdf, path.c_str())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(tdf.text);
        TDF_Free(&tdf);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    std::remove(path.c_str());
}
BENCHMARK(BM_Load1MB)->Unit(benchmark::kMillisecond);

// Every section in turn from the top level, so the figure is the average
// over positions in the file.
void BM_EnterAndGetString2000(benchmark::State& state) {
    GRIB_Startup(30, nullptr, 0);
    std::string text;
    for (int i = 0; i < 2000; ++i) text += Section(i);
    std::string path = WriteFile("2000.tdf", text);
    TdfFile tdf;
    if (!TDF_Load(&tdf, path.c_str())) {
        state.SkipWithError("load failed");
        return;
    }
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) names.push_back("unit" + std::to_string(i));
    size_t next = 0;
    char buffer[256];
    for (auto _ : state) {
        TDF_Rewind(&tdf);
        if (!TDF_EnterSection(&tdf, names[next].c_str()) || !TDF_GetString(&tdf, buffer, "TurnRate", 255))
            state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(buffer);
        next = (next + 1) % names.size();
    }
    state.counters["file_bytes"] = static_cast<double>(text.size());
    TDF_Free(&tdf);
    std::remove(path.c_str());
}
BENCHMARK(BM_EnterAndGetString2000)->Unit(benchmark::kMicrosecond);

}  // namespace
