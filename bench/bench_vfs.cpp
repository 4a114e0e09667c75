// Archive read throughput through GRIB_Read, and the shadow pass over a
// large tree.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "grib/vfs/vfs.h"
#include "kit/archive/archive_writer.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder as the current directory for the life of the process.
struct Scratch {
    fs::path dir;
    Scratch() {
        std::string templ = (fs::temp_directory_path() / "bench-vfs-XXXXXX").string();
        if (!mkdtemp(templ.data())) std::abort();
        dir = templ;
        fs::current_path(dir);
        GRIB_Startup(30, nullptr, 0);
    }
    ~Scratch() {
        GRIB_ResetMounts();
        std::error_code ec;
        fs::current_path(dir.parent_path(), ec);
        fs::remove_all(dir, ec);
    }
};

Scratch& Folder() {
    static Scratch s;
    return s;
}

// One scrambled archive holding a 16 MiB file.
void MountBig() {
    Folder();
    GRIB_ResetMounts();
    if (!fs::exists("big.grb")) {
        std::vector<uint8_t> data(16u << 20);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 2654435761u >> 13);
        KitWriteArchive("big.grb", {{"data\\big.bin", std::move(data)}}, 0x5A);
    }
    GRIB_MountArchive("big.grb", 0);
}

void ReadThroughput(benchmark::State& state) {
    MountBig();
    const int32_t chunk = int32_t(state.range(0));
    std::vector<char> buf(static_cast<size_t>(chunk));
    int64_t bytes = 0;
    for (auto _ : state) {
        FileHandle* h = GRIB_Open("data\\big.bin");
        int32_t n;
        // 1-byte reads cover the first MiB only, to keep a run short.
        int64_t limit = chunk == 1 ? (1 << 20) : INT64_MAX, got = 0;
        while (got < limit && (n = GRIB_Read(h, buf.data(), chunk)) > 0) got += n;
        GRIB_Close(h);
        bytes += got;
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(bytes);
    GRIB_ResetMounts();
}
BENCHMARK(ReadThroughput)->Arg(65536)->Arg(1)->Unit(benchmark::kMillisecond);

// 5,000 unit files spread over two archives (half of them in both) plus a
// loose copy of some on disk.
void RefreshShadows5000(benchmark::State& state) {
    Folder();
    GRIB_ResetMounts();
    std::vector<KitArchiveFile> first, second;
    for (int i = 0; i < 5000; ++i) {
        std::string name = "units\\unit" + std::to_string(i) + ".fbi";
        (i % 2 ? first : second).push_back({name, {'x'}});
        if (i % 4 == 0) first.push_back({name, {'y'}});
    }
    KitWriteArchive("first.grb", first, 0x11);
    KitWriteArchive("second.grb", second, 0x22);
    fs::create_directories("units");
    for (int i = 0; i < 5000; i += 50) {
        FILE* f = std::fopen(("units/unit" + std::to_string(i) + ".fbi").c_str(), "wb");
        if (f) std::fclose(f);
    }
    GRIB_MountArchive("first.grb", 0);
    GRIB_MountArchive("second.grb", 0);
    for (auto _ : state) benchmark::DoNotOptimize(GRIB_RefreshShadows());
    state.SetItemsProcessed(state.iterations() * 5000);
    GRIB_ResetMounts();
}
BENCHMARK(RefreshShadows5000)->Unit(benchmark::kMillisecond);

}  // namespace
