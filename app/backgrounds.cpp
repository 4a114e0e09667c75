#include "app/backgrounds.h"
#include "app/viewer_state.h"
#include "grib/bitmap/bitmap.h"
#include "grib/draw/draw.h"
#include "grib/image/pcx.h"
#include "grib/raster/raster.h"

void LoadBackgrounds(int32_t width, int32_t height) {
    if (!g_viewer.armBackground) g_viewer.armBackground = GRIB_LoadPCX(g_viewer.armBackgroundName, nullptr);
    if (!g_viewer.coreBackground) g_viewer.coreBackground = GRIB_LoadPCX(g_viewer.coreBackgroundName, nullptr);
    if (!g_viewer.armBackground || !g_viewer.coreBackground) FatalError("Could not load the background art");
    FitImage(&g_viewer.armBackground, width, height);
    FitImage(&g_viewer.coreBackground, width, height);
}

void FitImage(GribBitmap** slot, int32_t width, int32_t height) {
    if (!slot || !*slot || width <= 0 || height <= 0) return;
    GribBitmap* source = *slot;
    if (source->width == uint32_t(width) && source->height == uint32_t(height)) return;
    // Drawn at twice the size and halved through the alpha table, so that a
    // shrunk background keeps some of the detail it loses.
    GribBitmap* temporary = GRIB_CreateBitmap("Temporary Surface", uint32_t(2 * width), uint32_t(2 * height));
    if (!temporary) return;
    temporary->clipRight += 1;
    temporary->clipBottom += 1;
    GribImage texture{};
    GRIB_ImageFromBitmap(&texture, source);
    const int32_t corners[8] = {0, 0, 2 * width, 0, 2 * width, 2 * height, 0, 2 * height};
    GRIB_DrawTexturedQuad(temporary, &texture, corners, nullptr);
    GribBitmap* final = GRIB_CreateBitmap("Final Image", uint32_t(width), uint32_t(height));
    if (!final) {
        GRIB_FreeBitmap(temporary);
        return;
    }
    GribImage from{}, to{};
    GRIB_ImageFromBitmap(&from, temporary);
    GRIB_ImageFromBitmap(&to, final);
    GRIB_HalveImage(&from, &to);
    GRIB_FreeBitmap(source);
    GRIB_FreeBitmap(temporary);
    *slot = final;
}
