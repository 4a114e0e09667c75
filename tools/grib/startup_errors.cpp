#include "tools/grib/startup_errors.h"

#include <cstdlib>
#include <cstring>

#include "app/hooks.h"
#include "app/viewer_state.h"
#include "grib/vfs/vfs.h"
#include "tools/grib/common.h"

namespace {

bool InGame(const char* path) {
    FileHandle* file = path && *path ? GRIB_Open(path) : nullptr;
    if (file) GRIB_Close(file);
    return file != nullptr;
}

[[noreturn]] void Report(const char* message) {
    // The files the viewer's messages are about; messages not named here
    // are about a file that was read.
    const struct {
        const char* message;
        const char* file;
        const char* other;
    } files[] = {
        {"Could not open the Showcase information file", "gamedata\\showcase.tdf", nullptr},
        {"Could not load the font file", "fonts\\console.fnt", nullptr},
        {"Could not load the palette", "palettes\\palette.pal", nullptr},
        {"Could not load the alpha table", "palettes\\palette.alp", nullptr},
        {"Could not load the shade table", "palettes\\palette.shd", nullptr},
        {"Could not open the weapons file", "gamedata\\weapons.tdf", nullptr},
        {"Could not load the background art", g_viewer.armBackgroundName, g_viewer.coreBackgroundName},
    };
    int status = std::strstr(message, "temporary palette") ? GRIB_EXIT_NOT_FOUND : GRIB_EXIT_BAD_INPUT;
    for (const auto& f : files)
        if (!std::strcmp(message, f.message) && (!InGame(f.file) || (f.other && !InGame(f.other))))
            status = GRIB_EXIT_NOT_FOUND;
    std::exit(ToolFail(status, "%s", message));
}

}  // namespace

void ToolReportStartupFailures() { g_viewerHooks.fatalError = Report; }
