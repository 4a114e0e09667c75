#include "app/viewer_state.h"

#include <cstdio>
#include <cstdlib>

#include "app/datasources.h"
#include "app/hooks.h"
#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/units.h"
#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "grib/env/env.h"
#include "grib/image/textures.h"
#include "grib/palette/palette.h"
#include "grib/vfs/vfs.h"

ViewerState g_viewer;

void FatalError(const char* message) {
    DeleteTempPalette();
    if (g_viewerHooks.fatalError) g_viewerHooks.fatalError(message);
    else std::fprintf(stderr, "Fatal Error: %s\n", message);
    std::exit(1);
}

void SetLoadingStatus(const char* text) {
    if (g_viewerHooks.loadingStatus) g_viewerHooks.loadingStatus(text);
}

namespace {

// Loads a lookup table file and hands it to its setter; false when the file
// is missing or too short.
bool LoadTable(const char* path, int (*set)(const void*, size_t)) {
    int32_t length = -1;
    void* table = GRIB_LoadFile(path, &length);
    if (!table) return false;
    int ok = set(table, size_t(length));
    GRIB_Free(table);
    return ok != 0;
}

}  // namespace

void ViewerLoadData(int32_t screenWidth) {
    g_viewer.soundCache = CreateSoundCache();
    SetLoadingStatus("Data files");
    MountDataSources();
    ReadViewerSettings();
    if (g_viewer.scaleByScreen && screenWidth > 0) g_viewer.baseScale = g_viewer.baseScale * screenWidth * 0.0015625;

    g_viewer.font = static_cast<uint8_t*>(GRIB_LoadFile("fonts\\console.fnt"));
    if (!g_viewer.font) FatalError("Could not load the font file");
    GRIB_SetFont(g_viewer.font);
    GRIB_SetTextTransparent(9);
    GRIB_SetTextColours(0, 9);

    MakeTempPalette();
    int32_t length = -1;
    g_viewer.palette = static_cast<uint8_t*>(GRIB_LoadFile(g_viewer.tempPaletteName, &length));
    if (!g_viewer.palette || length < int32_t(GRIB_PALETTE_SIZE)) FatalError("Could not load the palette");
    GribEnvironment* env = GRIB_GetEnvironment();
    env->flags |= GRIB_FLAG_ALPHA | GRIB_FLAG_SHADE;
    GRIB_AllocAlphaTable(env);
    GRIB_AllocShadeTable(env);
    if (!LoadTable("palettes\\palette.alp", GRIB_SetAlphaTable)) FatalError("Could not load the alpha table");
    if (!LoadTable("palettes\\palette.shd", GRIB_SetShadeTable)) FatalError("Could not load the shade table");

    SetLoadingStatus("Textures");
    GRIB_LoadTextures("textures\\");

    if (!TDF_Load(&g_viewer.weapons, "gamedata\\weapons.tdf")) FatalError("Could not open the weapons file");
    BuildUnitList();
    TDF_Free(&g_viewer.weapons);
}

void ViewerShutdownData() {
    DestroySoundCache(g_viewer.soundCache);
    g_viewer.soundCache = nullptr;
    DeleteTempPalette();
    FreeUnitList();
    if (g_viewer.font) {
        if (GRIB_GetEnvironment()->font == g_viewer.font) GRIB_GetEnvironment()->font = nullptr;
        GRIB_Free(g_viewer.font);
    }
    g_viewer.font = nullptr;
    if (g_viewer.palette) GRIB_Free(g_viewer.palette);
    g_viewer.palette = nullptr;
}

void ViewerReset() {
    ViewerShutdownData();
    TDF_Free(&g_viewer.weapons);
    GRIB_FreeBitmap(g_viewer.armBackground);
    GRIB_FreeBitmap(g_viewer.coreBackground);
    GRIB_FreeBitmap(g_viewer.logoImage);
    ReleaseScratchBitmap();
    ResetDragState();
    GRIB_FreeTextures();
    GRIB_ResetMounts();
    g_viewer = ViewerState{};
}
