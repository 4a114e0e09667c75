// grib render: the viewer's frame driver without windows.
#include <unistd.h>

#include <filesystem>

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
#include "kit/image/pcx_writer.h"
#include "script/instance.h"
#include "tools/grib/common.h"
#include "tools/grib/png_io.h"

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

int NoSound(const void*, size_t, uint32_t) { return 0; }

}  // namespace

int GribCmd_Render(int argc, char** argv) {
    if (ToolWantsHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return GRIB_EXIT_OK;
    }
    std::string unitName, out, folder;
    long width = 0, height = 0, antialias = 1, seed = 1;
    std::vector<uint32_t> frames;
    std::vector<std::pair<int, long>> presses;  // id, frame
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!v) return ToolFail(GRIB_EXIT_BAD_INPUT, "render: '%s' needs a value (see grib render --help)", a);
        ++i;
        if (!std::strcmp(a, "--unit")) unitName = v;
        else if (!std::strcmp(a, "--out")) out = v;
        else if (!std::strcmp(a, "-C")) folder = v;
        else if (!std::strcmp(a, "--size")) {
            const char* x = std::strchr(v, 'x');
            std::string w = x ? std::string(v, x) : "";
            if (!x || !ParseInt(w.c_str(), 1, 8192, width) || !ParseInt(x + 1, 1, 8192, height))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "render: bad size '%s' (WxH, 1 to 8192 each)", v);
        } else if (!std::strcmp(a, "--frames")) {
            std::string list = v;
            size_t start = 0;
            for (;;) {
                size_t comma = list.find(',', start);
                std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                long e;
                if (!ParseInt(item.c_str(), 0, 1000000, e))
                    return ToolFail(GRIB_EXIT_BAD_INPUT, "render: bad frame list '%s'", v);
                frames.push_back(uint32_t(e));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (!std::strcmp(a, "--press")) {
            const char* at = std::strchr(v, '@');
            std::string id = at ? std::string(v, at) : "";
            long n, k;
            if (!at || !ParseInt(id.c_str(), 0, 100000, n) || !ParseInt(at + 1, 0, 1000000, k) ||
                (n != ID_AIM && n != ID_FIRE && n != ID_ACTIVATE && n != ID_MOVE))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "render: bad press '%s' (ID@K, ID 1011, 1012, 1014 or 1024)", v);
            presses.push_back({int(n), k});
        } else if (!std::strcmp(a, "--antialias")) {
            if (!ParseInt(v, 0, 1, antialias)) return ToolFail(GRIB_EXIT_BAD_INPUT, "render: --antialias takes 0 or 1");
        } else if (!std::strcmp(a, "--seed")) {
            if (!ParseInt(v, -2147483647L - 1, 2147483647L, seed))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "render: bad seed '%s'", v);
        } else {
            return ToolFail(GRIB_EXIT_BAD_INPUT, "render: unexpected argument '%s' (see grib render --help)", a);
        }
    }
    if (unitName.empty() || out.empty() || !width)
        return ToolFail(GRIB_EXIT_BAD_INPUT, "render: --unit, --size and --out are required (see grib render --help)");
    if (frames.empty()) frames.push_back(0);
    for (const auto& [id, k] : presses)
        if (k >= long(frames.size()))
            return ToolFail(GRIB_EXIT_BAD_INPUT, "render: press %d@%ld is after the last frame", id, k);
    const bool raw = EndsWith(out, ".raw"), png = EndsWith(out, ".png"), pcx = EndsWith(out, ".pcx");
    if (!raw && !png && !pcx) return ToolFail(GRIB_EXIT_BAD_INPUT, "render: %s: the output must be .raw, .png or .pcx", out.c_str());
    const std::string outPath = ToolDiskPath(out);
    std::string outAbsolute = outPath;
#ifdef _WIN32
    if (!outPath.empty() && outPath[0] != '/' && !std::filesystem::path(outPath).is_absolute()) {
#else
    if (!outPath.empty() && outPath[0] != '/') {
#endif
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) outAbsolute = std::string(cwd) + "/" + outPath;
    }
    if (!folder.empty() && chdir(ToolDiskPath(folder).c_str()) != 0)
        return ToolFail(GRIB_EXIT_NOT_FOUND, "render: %s: no such directory", folder.c_str());

    // A screenshot tool plays no sounds.
    g_playSound = NoSound;
    SetScriptRandomState(int32_t(seed));
    ViewerSeedRandom(uint32_t(seed));
    g_viewer.antialias = antialias != 0;
    ViewerLoadData(0);
    const std::string base = UnitBaseName(unitName);
    for (ViewerUnit* u : g_viewer.units)
        if (GRIB_SameName(u->fileName, base.c_str())) {
            g_viewer.currentUnit = u;
            break;
        }
    if (!g_viewer.currentUnit) {
        ViewerReset();
        return ToolFail(GRIB_EXIT_NOT_FOUND, "render: no unit '%s' in the catalogue", unitName.c_str());
    }
    g_viewer.currentSide = g_viewer.currentUnit->side;
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
    int status = GRIB_EXIT_OK;
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
