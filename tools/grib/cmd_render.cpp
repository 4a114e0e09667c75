// grib render: the viewer's frame driver without windows.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/bitmap/bitmap.h"
#include "kit/image/pcx_writer.h"
#include "tools/grib/common.h"
#include "tools/grib/image_io.h"
#include "tools/grib/png_io.h"
#include "tools/grib/unit_driver.h"

namespace {

const char kUsage[] =
    "usage: grib render --unit FILE --size WxH --out OUT [-C DIR] [--frames E1,E2,...]\n"
    "                   [--press ID@K]... [--antialias 0|1] [--seed S]\n"
    "  Loads the game in DIR as the viewer does, makes FILE (units\\FILE.fbi) the\n"
    "  current unit and draws one frame per elapsed-tick value (default: one\n"
    "  frame of 0 ticks). --press ID@K presses an action button (1011 Aim,\n"
    "  1012 Fire, 1014 Activate, 1024 Move) before frame K (0 = the first).\n"
    "  Writes the last frame: .raw (index bytes, row 0 first), .png or .pcx.\n"
    "  --seed sets the random sources (default 1), so a render repeats exactly.\n";

}  // namespace

int GribCmd_Render(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    std::string unitName, out, folder;
    long width = 0, height = 0, antialias = 1, seed = 1;
    std::vector<uint32_t> frames;
    ToolPresses presses;  // id, frame
    const std::vector<ToolOption> options = {
        {"--unit", ToolTakeText(unitName)},
        {"--out", ToolTakeText(out)},
        {"-C", ToolTakeText(folder)},
        {"--size", ToolTakeSize(1, 8192, width, height),
         "render: bad size '%s' (WxH, 1 to 8192 each)"},
        {"--frames",
         [&](const char* v) {
             std::string list = v;
             for (size_t start = 0;;) {
                 size_t comma = list.find(',', start);
                 long e;
                 if (!ToolParseInt(list.substr(start, comma == std::string::npos ? comma : comma - start).c_str(), 0,
                                   1000000, e))
                     return false;
                 frames.push_back(uint32_t(e));
                 if (comma == std::string::npos) return true;
                 start = comma + 1;
             }
         },
         "render: bad frame list '%s'"},
        {"--press", ToolTakePress(presses),
         "render: bad press '%s' (ID@K, ID 1011, 1012, 1014 or 1024)"},
        {"--antialias", ToolTakeInt(0, 1, antialias),
         "render: --antialias takes 0 or 1"},
        {"--seed", ToolTakeInt(INT32_MIN, INT32_MAX, seed), "render: bad seed '%s'"},
    };
    if (int rc = ToolParseOptions(argc, argv, 1, options,
                                  {"render: '%s' needs a value (see grib render --help)",
                                   "render: unexpected argument '%s' (see grib render --help)", nullptr}))
        return rc;
    if (unitName.empty() || out.empty() || !width)
        return ToolFail(GRIB_EXIT_BAD_INPUT, "render: --unit, --size and --out are required (see grib render --help)");
    if (frames.empty()) frames.push_back(0);
    for (const auto& [id, k] : presses)
        if (k >= long(frames.size()))
            return ToolFail(GRIB_EXIT_BAD_INPUT, "render: press %d@%ld is after the last frame", id, k);
    const bool raw = ToolHasExtension(out, ".raw"), png = ToolHasExtension(out, ".png"), pcx = ToolHasExtension(out, ".pcx");
    if (!raw && !png && !pcx) return ToolFail(GRIB_EXIT_BAD_INPUT, "render: %s: the output must be .raw, .png or .pcx", out.c_str());
    const std::string outAbsolute = ToolAbsolute(ToolDiskPath(out));
    int status = GRIB_EXIT_OK;
    if (!ToolStartUnit(folder, unitName, seed, antialias != 0, "render", &status)) return status;
    GribBitmap* surface = GRIB_CreateBitmap("Render Surface", uint32_t(width), uint32_t(height));
    if (!surface) {
        ViewerReset();
        return ToolFail(GRIB_EXIT_BAD_INPUT, "render: can't make a %ldx%ld surface", width, height);
    }
    for (size_t k = 0; k < frames.size(); ++k) {
        for (const auto& [id, at] : presses)
            if (at == long(k)) UnitCommand(g_viewer.currentUnit, id);
        DrawView(nullptr, surface, frames[k]);
    }
    std::string error;
    const uint32_t w = surface->width, h = surface->height;
    if (raw) {
        std::vector<uint8_t> bytes;
        for (uint32_t y = 0; y < h; ++y) bytes.insert(bytes.end(), surface->pixels + y * surface->pitch, surface->pixels + y * surface->pitch + w);
        if (!ToolWriteFile(outAbsolute, bytes.data(), bytes.size())) status = ToolFail(GRIB_EXIT_BAD_INPUT, "render: can't write %s", out.c_str());
    } else if (png) {
        if (!PngWriteIndexed(outAbsolute, surface->pixels, w, h, surface->pitch, g_viewer.palette, &error))
            status = ToolFail(GRIB_EXIT_BAD_INPUT, "render: %s: %s", out.c_str(), error.c_str());
    } else {
        std::vector<uint8_t> bytes = KitWritePCXPalette(surface->pixels, w, h, surface->pitch, g_viewer.palette);
        if (!ToolWriteFile(outAbsolute, bytes.data(), bytes.size())) status = ToolFail(GRIB_EXIT_BAD_INPUT, "render: can't write %s", out.c_str());
    }
    GRIB_FreeBitmap(surface);
    ViewerReset();
    return status;
}
