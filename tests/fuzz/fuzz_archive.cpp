// Mounts the input as an archive, enumerates the merged tree and reads every
// file in it, by path and by entry.
#include <string>

#include "grib/vfs/archive.h"
#include "grib/vfs/vfs.h"
#include "tests/fuzz/fuzz.h"

namespace {

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
    FindData d;
    intptr_t f = GRIB_FindFirst((prefix + "*").c_str(), &d);
    if (f == -1) return;
    do {
        // Only names that extend the path by one component: anything else
        // could lead the disk side of the walk out of the scratch folder.
        if (!GRIB_IsEntryName(d.name)) continue;
        std::string path = prefix + d.name;
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
    fuzz::Start();
    // The scratch folder holds nothing else, so the disk side of the walk stays small.
    fuzz::WriteAlone("input.grb", data, size);
    fuzz::Inside inside;
    if (GRIB_MountArchive("input.grb", size % 2)) {
        GRIB_RefreshShadows();
        Walk("", 0);
        OPENGRIBFILE* a = GRIB_GetEnvironment()->mounts[0];
        for (int32_t i = 0; i < a->directory->entryCount; ++i)
            Drain(GRIB_OpenArchiveEntry(a, &a->directory->entries[i]));
    }
    GRIB_ResetMounts();
    return 0;
}
