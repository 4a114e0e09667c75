#include "tools/grib/unit_driver.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "app/frame.h"
#include "app/hooks.h"
#include "app/sound.h"
#include "app/viewer_state.h"
#include "grib/env/names.h"
#include "script/instance.h"
#include "tools/grib/startup_errors.h"

namespace {

int NoSound(const void*, size_t, uint32_t) { return 0; }

}  // namespace

std::function<bool(const char*)> ToolTakePress(ToolPresses& into) {
    return [&into](const char* v) {
        const char* at = std::strchr(v, '@');
        long n, k;
        if (!at || !ToolParseInt(std::string(v, at).c_str(), 0, 100000, n) || !ToolParseInt(at + 1, 0, 1000000, k) ||
            (n != ID_AIM && n != ID_FIRE && n != ID_ACTIVATE && n != ID_MOVE))
            return false;
        into.push_back({int(n), k});
        return true;
    };
}

std::string ToolAbsolute(const std::string& path) {
    char cwd[4096];
    if (path.empty() || std::filesystem::path(path).is_absolute() || path[0] == '/' || !getcwd(cwd, sizeof cwd))
        return path;
    return std::string(cwd) + "/" + path;
}

ViewerUnit* ToolStartUnit(const std::string& folder, const std::string& unit, long seed, bool antialias,
                          const char* command, int* status) {
    if (!folder.empty() && chdir(ToolDiskPath(folder).c_str()) != 0) {
        *status = ToolFail(GRIB_EXIT_NOT_FOUND, "%s: %s: no such directory", command, folder.c_str());
        return nullptr;
    }
    g_viewerHooks.playSound = NoSound;  // a tool plays no sounds
    ToolReportStartupFailures();
    SetScriptRandomState(int32_t(seed));
    ViewerSeedRandom(uint32_t(seed));
    g_viewer.antialias = antialias;
    ViewerLoadData(0);
    std::string base = unit.substr(unit.find_last_of("/\\") + 1);
    if (GRIB_HasSuffix(base.c_str(), ".fbi")) base.resize(base.size() - 4);
    for (ViewerUnit* u : g_viewer.units)
        if (GRIB_SameName(u->fileName, base.c_str())) {
            g_viewer.currentUnit = u;
            g_viewer.currentSide = u->side;
            return u;
        }
    ViewerReset();
    *status = ToolFail(GRIB_EXIT_NOT_FOUND, "%s: no unit '%s' in the catalogue", command, unit.c_str());
    return nullptr;
}
