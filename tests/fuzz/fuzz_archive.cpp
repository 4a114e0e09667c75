// Mounts the input as an archive, enumerates the merged tree and reads every
// file in it, by path and by entry.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "grib/env/env.h"
#include "grib/vfs/archive.h"
#include "grib/vfs/vfs.h"

namespace {

// An otherwise empty folder, the current directory while an input runs, so
// the disk side of the walk stays small.
char g_dir[4096];
char g_file[4200];

const char* Scratch() {
    static std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-archive-XXXXXX";
        if (!mkdtemp(templ.data())) std::abort();
        GRIB_Startup(30, nullptr, 0);
        std::snprintf(g_dir, sizeof g_dir, "%s", templ.c_str());
        std::snprintf(g_file, sizeof g_file, "%s/input.grb", templ.c_str());
        std::atexit([] {
            std::remove(g_file);
            rmdir(g_dir);
        });
        return templ;
    }();
    return dir.c_str();
}

void Drain(FileHandle* h) {
    if (!h) return;
    char buf[4096];
    GRIB_Length(h);
    for (int i = 0; i < 64 && GRIB_Read(h, buf, sizeof buf) > 0; ++i) {}
    GRIB_Seek(h, 1);
    GRIB_Read(h, buf, 3);
    GRIB_Seek(h, -1);
    GRIB_Read(h, buf, 1);
    GRIB_Write(h, buf, 1);
    GRIB_Close(h);
}

void Walk(const std::string& prefix, int depth) {
    std::string pattern = prefix + "*";
    FindData d;
    intptr_t f = GRIB_FindFirst(pattern.c_str(), &d);
    if (f == -1) return;
    do {
        // Only names that extend the path by one component: anything else
        // could lead the disk side of the walk out of the scratch folder.
        if (!GRIB_IsEntryName(d.name)) continue;
        std::string name = d.name;
        std::string path = prefix + name;
        if (d.attributes & GRIB_ATTR_DIRECTORY) {
            if (depth < 32) Walk(path + "\\", depth + 1);
        } else {
            Drain(GRIB_Open(path.c_str()));
            int32_t n;
            GRIB_Free(GRIB_LoadFile(path.c_str(), &n));
        }
    } while (GRIB_FindNext(f, &d) == 0);
    GRIB_FindClose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = std::string(Scratch()) + "/input.grb";
    // The fuzzer reads its corpus by relative paths: come back afterwards.
    int home = open(".", O_RDONLY | O_DIRECTORY);
    if (home < 0 || chdir(Scratch()) != 0) std::abort();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 0;
    if (size) std::fwrite(data, 1, size, out);
    std::fclose(out);
    if (GRIB_MountArchive("input.grb", size % 2)) {
        GRIB_RefreshShadows();
        Walk("", 0);
        OPENGRIBFILE* a = GRIB_GetEnvironment()->mounts[0];
        for (int32_t i = 0; i < a->directory->entryCount; ++i)
            Drain(GRIB_OpenArchiveEntry(a, &a->directory->entries[i]));
    }
    GRIB_ResetMounts();
    if (fchdir(home) != 0) std::abort();
    close(home);
    return 0;
}
