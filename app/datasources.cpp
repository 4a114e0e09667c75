#include "app/datasources.h"

#include "grib/env/names.h"
#include "grib/vfs/vfs.h"

namespace {

// The archives step 3 mounts in a fixed order; the add-on pass leaves them
// alone so that none is mounted twice.
const char* const kFixedArchives[] = {"Varnho1.GRB", "Varnho2.GRB", "Varnho.GRB", "Showcase.GRB"};

bool IsFixedArchive(const char* name) {
    for (const char* fixed : kFixedArchives)
        if (GRIB_SameName(name, fixed)) return true;
    return false;
}

template <typename Visit>
void ForEachMatch(const char* pattern, Visit visit) {
    FindData data;
    intptr_t find = GRIB_FindFirst(pattern, &data);
    if (find == -1) return;
    do visit(data);
    while (GRIB_FindNext(find, &data) == 0);
    GRIB_FindClose(find);
}

}  // namespace

void MountDataSources() {
    ForEachMatch("*.GRB", [](const FindData& d) {
        if (!IsFixedArchive(d.name)) GRIB_MountArchive(d.name, 0);
    });
    ForEachMatch("*.UFO", [](const FindData& d) { GRIB_MountArchive(d.name, 0); });
    for (const char* fixed : kFixedArchives) GRIB_MountArchive(fixed, 0);
    GRIB_RefreshShadows();
}
