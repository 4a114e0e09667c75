// grib export and grib model export: units and models as glTF 2.0, with
// the animation the unit's scripts play in the viewer's frame driver.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/bitmap/bitmap.h"
#include "grib/image/textures.h"
#include "model/piece.h"
#include "model/readers.h"
#include "tools/grib/common.h"
#include "tools/grib/image_io.h"
#include "tools/grib/png_io.h"
#include "tools/grib/unit_driver.h"
#ifdef GRIB_HAVE_GLTF
#include "kit/export/gltf_export.h"
#endif

namespace {

const char kUsage[] =
    "usage: grib export --unit FILE --out OUT.glb|OUT.gltf [-C DIR] [--ticks N] [--press ID@K]... [--seed S]\n"
    "       grib model export MODEL --out OUT.glb|OUT.gltf [--palette P.pal] [--textures DIR]\n"
    "  Writes a unit (units\\FILE.fbi of the game in DIR, loaded as the viewer loads\n"
    "  it) or a model file as glTF 2.0: one node per piece, palette colours as\n"
    "  materials, textures as embedded PNG. A unit's scripts run through the\n"
    "  viewer's frame driver for N ticks (default 90) from Create, and every\n"
    "  piece's pose at each tick becomes one animation named after the unit\n"
    "  (30 ticks a second). --press ID@K presses an action button (1011 Aim,\n"
    "  1012 Fire, 1014 Activate, 1024 Move) before tick K; --seed sets the\n"
    "  random sources (default 1). A model alone has the grey palette unless\n"
    "  --palette is given. Conversion rules: docs/export.md.\n";

#ifdef GRIB_HAVE_GLTF
int Write(const KitGltfScene& scene, const std::string& out, const std::string& path, const char* command) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!KitWriteGltf(scene, ToolHasExtension(out, ".glb"), bytes, &error))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s: %s", command, out.c_str(), error.c_str());
    if (!ToolWriteFile(path, bytes.data(), bytes.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write %s", command, out.c_str());
    return GRIB_EXIT_OK;
}
#endif

bool GltfOut(const std::string& out) { return ToolHasExtension(out, ".glb") || ToolHasExtension(out, ".gltf"); }

}  // namespace

int GribCmd_Export(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    std::string unitName, out, folder;
    long ticks = 90, seed = 1;
    ToolPresses presses;  // id, tick
    const std::vector<ToolOption> options = {
        {"--unit", ToolTakeText(unitName)},
        {"--out", ToolTakeText(out)},
        {"-C", ToolTakeText(folder)},
        {"--ticks", ToolTakeInt(0, 100000, ticks), "export: bad tick count '%s' (0 to 100000)"},
        {"--press", ToolTakePress(presses), "export: bad press '%s' (ID@K, ID 1011, 1012, 1014 or 1024)"},
        {"--seed", ToolTakeInt(INT32_MIN, INT32_MAX, seed), "export: bad seed '%s'"},
    };
    if (int rc = ToolParseOptions(argc, argv, 1, options,
                                  {"export: '%s' needs a value (see grib export --help)",
                                   "export: unexpected argument '%s' (see grib export --help)", nullptr}))
        return rc;
    if (unitName.empty() || out.empty())
        return ToolFail(GRIB_EXIT_BAD_INPUT, "export: --unit and --out are required (see grib export --help)");
    if (!GltfOut(out)) return ToolFail(GRIB_EXIT_BAD_INPUT, "export: %s: the output must be .glb or .gltf", out.c_str());
    for (const auto& [id, k] : presses)
        if (k > ticks) return ToolFail(GRIB_EXIT_BAD_INPUT, "export: press %d@%ld is after the last tick", id, k);
#ifndef GRIB_HAVE_GLTF
    return ToolFail(GRIB_EXIT_BAD_INPUT, "export: this grib was built without the glTF library");
#else
    const std::string outPath = ToolAbsolute(ToolDiskPath(out));
    int status = GRIB_EXIT_OK;
    // The frames are only drawn to pose the pieces.
    ViewerUnit* unit = ToolStartUnit(folder, unitName, seed, false, "export", &status);
    if (!unit) return status;
    KitGltfScene scene;
    scene.root = unit->model;
    scene.palette = g_viewer.palette;
    scene.textures = KitGltfCollectTextures(unit->model);  // before the frames advance them
    scene.animationName = unit->fileName;
    GribBitmap* surface = GRIB_CreateBitmap("Export Surface", 64, 64);
    if (!surface) status = ToolFail(GRIB_EXIT_BAD_INPUT, "export: can't make a frame surface");
    for (long k = 0; surface && ticks > 0 && k <= ticks; ++k) {
        for (const auto& [id, at] : presses)
            if (at == k) UnitCommand(unit, id);
        DrawView(nullptr, surface, k ? 1 : 0);
        scene.ticks.push_back(KitGltfPoses(unit->model));
    }
    if (surface) status = Write(scene, out, outPath, "export");
    GRIB_FreeBitmap(surface);
    ViewerReset();
    return status;
#endif
}

// argv[0] "model", argv[1] "export".
int GribCmd_ModelExport(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    std::string file, out, palettePath, texturesDir;
    int first = 2;
    if (argc > 2 && argv[2][0] != '-') file = argv[first++];
    const std::vector<ToolOption> options = {
        {"--out", ToolTakeText(out)},
        {"--palette", ToolTakeText(palettePath)},
        {"--textures", ToolTakeText(texturesDir)},
    };
    if (int rc = ToolParseOptions(argc, argv, first, options,
                                  {"model export: '%s' needs a value",
                                   "model export: unexpected argument '%s' (see grib export --help)", nullptr}))
        return rc;
    if (file.empty() || out.empty()) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib model export MODEL --out OUT.glb");
    if (!GltfOut(out)) return ToolFail(GRIB_EXIT_BAD_INPUT, "model export: %s: the output must be .glb or .gltf", out.c_str());
#ifndef GRIB_HAVE_GLTF
    return ToolFail(GRIB_EXIT_BAD_INPUT, "model export: this grib was built without the glTF library");
#else
    std::vector<uint8_t> palette = ToolGreyPalette();
    std::string error;
    if (!palettePath.empty() && !ToolLoadPalette(ToolDiskPath(palettePath), palette, &error))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", palettePath.c_str(), error.c_str());
    const std::string path = ToolDiskPath(file);
    if (FILE* f = std::fopen(path.c_str(), "rb")) std::fclose(f);
    else return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found", file.c_str());
    Piece* model = LoadModel(path.c_str(), MODEL_TYPE_DETECT);
    if (!model) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid model", file.c_str());
    if (!texturesDir.empty()) {
        std::string dir = ToolDiskPath(texturesDir);
        if (dir.back() != '/') dir += '/';
        GRIB_LoadTextures(dir.c_str());
    }
    KitGltfScene scene;
    scene.root = model;
    scene.palette = palette.data();
    scene.textures = KitGltfCollectTextures(model);
    const int status = Write(scene, out, ToolDiskPath(out), "model export");
    FreePieceTree(model);
    GRIB_FreeTextures();
    return status;
#endif
}
