// grib export and grib model export: units and models as glTF 2.0, with
// the animation the unit's scripts play in the viewer's frame driver.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/frame.h"
#include "app/sound.h"
#include "app/units.h"
#include "app/viewer_state.h"
#include "grib/display/bitmap.h"
#include "grib/env/names.h"
#include "grib/image/textures.h"
#include "model/piece.h"
#include "script/instance.h"
#include "tools/grib/common.h"
#include "tools/grib/png_io.h"
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

// The same option rules as grib render.
bool ParseInt(const char* text, long low, long high, long& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (*end || v < low || v > high) return false;
    out = v;
    return true;
}

std::string UnitBaseName(const std::string& given) {
    std::string name = given;
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && GRIB_SameName(name.c_str() + dot, ".fbi")) name.resize(dot);
    return name;
}

bool EndsWith(const std::string& s, const char* ext) {
    size_t n = std::strlen(ext);
    return s.size() >= n && GRIB_SameName(s.c_str() + s.size() - n, ext);
}

std::string Absolute(const std::string& path) {
    char cwd[4096];
    if (path.empty() || path[0] == '/' || !getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

int NoSound(const void*, size_t, uint32_t) { return 0; }

#ifdef GRIB_HAVE_GLTF
int Write(const KitGltfScene& scene, const std::string& out, const std::string& path, const char* command) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!KitWriteGltf(scene, EndsWith(out, ".glb"), bytes, &error))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s: %s", command, out.c_str(), error.c_str());
    if (!ToolWriteFile(path, bytes.data(), bytes.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write %s", command, out.c_str());
    return GRIB_EXIT_OK;
}
#endif

bool GltfOut(const std::string& out) { return EndsWith(out, ".glb") || EndsWith(out, ".gltf"); }

}  // namespace

int GribCmd_Export(int argc, char** argv) {
    if (ToolWantsHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return GRIB_EXIT_OK;
    }
    std::string unitName, out, folder;
    long ticks = 90, seed = 1;
    std::vector<std::pair<int, long>> presses;  // id, tick
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!v) return ToolFail(GRIB_EXIT_BAD_INPUT, "export: '%s' needs a value (see grib export --help)", a);
        ++i;
        if (!std::strcmp(a, "--unit")) unitName = v;
        else if (!std::strcmp(a, "--out")) out = v;
        else if (!std::strcmp(a, "-C")) folder = v;
        else if (!std::strcmp(a, "--ticks")) {
            if (!ParseInt(v, 0, 100000, ticks)) return ToolFail(GRIB_EXIT_BAD_INPUT, "export: bad tick count '%s' (0 to 100000)", v);
        } else if (!std::strcmp(a, "--press")) {
            const char* at = std::strchr(v, '@');
            std::string id = at ? std::string(v, at) : "";
            long n, k;
            if (!at || !ParseInt(id.c_str(), 0, 100000, n) || !ParseInt(at + 1, 0, 1000000, k) ||
                (n != ID_AIM && n != ID_FIRE && n != ID_ACTIVATE && n != ID_MOVE))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "export: bad press '%s' (ID@K, ID 1011, 1012, 1014 or 1024)", v);
            presses.push_back({int(n), k});
        } else if (!std::strcmp(a, "--seed")) {
            if (!ParseInt(v, -2147483647L - 1, 2147483647L, seed))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "export: bad seed '%s'", v);
        } else {
            return ToolFail(GRIB_EXIT_BAD_INPUT, "export: unexpected argument '%s' (see grib export --help)", a);
        }
    }
    if (unitName.empty() || out.empty())
        return ToolFail(GRIB_EXIT_BAD_INPUT, "export: --unit and --out are required (see grib export --help)");
    if (!GltfOut(out)) return ToolFail(GRIB_EXIT_BAD_INPUT, "export: %s: the output must be .glb or .gltf", out.c_str());
    for (const auto& [id, k] : presses)
        if (k > ticks) return ToolFail(GRIB_EXIT_BAD_INPUT, "export: press %d@%ld is after the last tick", id, k);
#ifndef GRIB_HAVE_GLTF
    return ToolFail(GRIB_EXIT_BAD_INPUT, "export: this grib was built without the glTF library");
#else
    const std::string outPath = Absolute(ToolDiskPath(out));
    if (!folder.empty() && chdir(ToolDiskPath(folder).c_str()) != 0)
        return ToolFail(GRIB_EXIT_NOT_FOUND, "export: %s: no such directory", folder.c_str());

    // The start-up of grib render: no sounds, seeded random sources.
    g_playSound = NoSound;
    SetScriptRandomState(int32_t(seed));
    ViewerSeedRandom(uint32_t(seed));
    g_viewer.antialias = false;  // the frame is only drawn to pose the pieces
    ViewerLoadData(0);
    const std::string base = UnitBaseName(unitName);
    for (ViewerUnit* u : g_viewer.units)
        if (GRIB_SameName(u->fileName, base.c_str())) {
            g_viewer.currentUnit = u;
            break;
        }
    ViewerUnit* unit = g_viewer.currentUnit;
    if (!unit) {
        ViewerReset();
        return ToolFail(GRIB_EXIT_NOT_FOUND, "export: no unit '%s' in the catalogue", unitName.c_str());
    }
    g_viewer.currentSide = unit->side;
    KitGltfScene scene;
    scene.root = unit->model;
    scene.palette = g_viewer.palette;
    scene.textures = KitGltfCollectTextures(unit->model);  // before the frames advance them
    scene.animationName = unit->fileName;
    GribBitmap* surface = GRIB_CreateBitmap("Export Surface", 64, 64);
    int status = surface ? GRIB_EXIT_OK : ToolFail(GRIB_EXIT_BAD_INPUT, "export: can't make a frame surface");
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
    if (ToolWantsHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return GRIB_EXIT_OK;
    }
    std::string file, out, palettePath, texturesDir;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a[0] != '-' && file.empty()) {
            file = a;
            continue;
        }
        if (i + 1 >= argc) return ToolFail(GRIB_EXIT_BAD_INPUT, "model export: '%s' needs a value", a.c_str());
        const char* v = argv[++i];
        if (a == "--out") out = v;
        else if (a == "--palette") palettePath = v;
        else if (a == "--textures") texturesDir = v;
        else return ToolFail(GRIB_EXIT_BAD_INPUT, "model export: unexpected argument '%s' (see grib export --help)", a.c_str());
    }
    if (file.empty() || out.empty()) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib model export MODEL --out OUT.glb");
    if (!GltfOut(out)) return ToolFail(GRIB_EXIT_BAD_INPUT, "model export: %s: the output must be .glb or .gltf", out.c_str());
#ifndef GRIB_HAVE_GLTF
    return ToolFail(GRIB_EXIT_BAD_INPUT, "model export: this grib was built without the glTF library");
#else
    std::vector<uint8_t> palette(1024, 0);
    for (int i = 0; i < 256; ++i) palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = uint8_t(i);
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
