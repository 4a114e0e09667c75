// grib demo: builds the demo game folder (kit/game/demo_game.h) from the
// demo sources, with the font of an X11 font when there is one.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

#include "kit/game/demo_game.h"
#include "kit/image/bdf_font.h"
#include "tools/grib/common.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: grib demo OUTDIR [--units N] [--source DIR] [--font FILE.bdf]\n"
    "\n"
    "Builds the demo game into OUTDIR: palette and its alpha and shade tables,\n"
    "the font (converted from the X11 font 6x13 with pcf2bdf, or FILE.bdf),\n"
    "backgrounds, logo, textures, sounds, settings, weapons and the units of\n"
    "the demo sources. The files go into Varnho.GRB (the game), Varnho1.GRB (its\n"
    "patch, which wins over Varnho.GRB), Showcase.GRB (the viewer's own files)\n"
    "and one loose file, units/ARMSCOUT.fbi, that overrides its copy in Varnho.GRB.\n"
    "\n"
    "  --units N     adds N generated units (ARMGnnnn, CORGnnnn) in Generated.GRB\n"
    "                for scale tests\n"
    "  --source DIR  the demo sources (units/, objects3d/, scripts/, gamedata/)\n"
    "\n"
    "The sources are DIR when given, else $SHOWCASE_DEMO_DIR when set, else\n"
    "../share/showcase/demo beside the folder of the grib executable: the\n"
    "installed copy (PREFIX/share/showcase/demo), or in a build folder a link\n"
    "to the demo/ folder of the source tree.\n"
    "\n"
    "Prints one line: OUTDIR: U units, F files.\n"
    "Exit status: 0 built, 1 a demo source is missing, 2 bad usage or a source\n"
    "that does not build.\n";

// The font: the X11 6x13 font through pcf2bdf.

std::string RunCapture(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
    if (pclose(p) != 0) out.clear();
    return out;
}

// Empty when no X11 font can be converted; the caller then takes the
// built-in one.
std::vector<uint8_t> X11Font(const std::string& given) {
    std::string bdf;
    if (!given.empty()) {
        std::vector<uint8_t> bytes;
        if (ToolReadFile(given, bytes)) bdf.assign(bytes.begin(), bytes.end());
    } else {
        for (const char* path : {"/usr/share/fonts/X11/misc/6x13-ISO8859-1.pcf.gz",
                                 "/usr/share/fonts/X11/misc/6x13.pcf.gz"}) {
            std::error_code ec;
            if (!fs::exists(path, ec)) continue;
            bdf = RunCapture(std::string("pcf2bdf '") + path + "' 2>/dev/null");
            if (!bdf.empty()) break;
        }
    }
    std::vector<uint8_t> font;
    std::string error;
    if (bdf.empty() || !BdfToFont(bdf, font, error)) font.clear();
    return font;
}

fs::path DemoSources(const std::string& given) {
    if (!given.empty()) return ToolDiskPath(given);
    if (const char* env = std::getenv("SHOWCASE_DEMO_DIR"); env && *env) return env;
    std::error_code ec;
#ifdef _WIN32
    char own[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, own, sizeof own);
    const fs::path exe = own;
#else
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
#endif
    return fs::weakly_canonical(exe.parent_path() / ".." / "share" / "showcase" / "demo", ec);
}

}  // namespace

int GribCmd_Demo(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    std::string out, fontPath, source;
    KitDemoOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--units" || a == "--source" || a == "--font") && i + 1 >= argc)
            return ToolFail(GRIB_EXIT_BAD_INPUT, "demo: %s needs a value (see grib demo --help)", a.c_str());
        if (a == "--units") {
            long n;
            if (!ToolParseInt(argv[++i], 0, 20000, n))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "demo: --units wants a count from 0 to 20000");
            options.generatedUnits = int(n);
        } else if (a == "--source") {
            source = argv[++i];
        } else if (a == "--font") {
            fontPath = argv[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return ToolFail(GRIB_EXIT_BAD_INPUT, "demo: unknown option %s (see grib demo --help)", a.c_str());
        } else if (out.empty()) {
            out = ToolDiskPath(a);
        } else {
            return ToolFail(GRIB_EXIT_BAD_INPUT, "demo: one OUTDIR only (see grib demo --help)");
        }
    }
    if (out.empty()) return ToolFail(GRIB_EXIT_BAD_INPUT, "demo: missing OUTDIR (see grib demo --help)");
    options.source = DemoSources(source).string();
    std::error_code ec;
    if (!fs::is_directory(options.source, ec))
        return ToolFail(GRIB_EXIT_NOT_FOUND, "demo: no demo sources in %s (give --source DIR or set SHOWCASE_DEMO_DIR)",
                        options.source.c_str());
    options.font = X11Font(fontPath);
    if (options.font.empty() && !fontPath.empty())
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a usable BDF font", fontPath.c_str());

    KitGame game;
    int units = 0;
    std::string error;
    if (int rc = KitBuildDemoGame(options, game, &units, &error)) return ToolFail(rc, "demo: %s", error.c_str());
    if (!KitWriteDemoGame(game, out, &error)) return ToolFail(GRIB_EXIT_BAD_INPUT, "demo: %s", error.c_str());
    std::printf("%s: %d units, %zu files\n", out.c_str(), units, game.files.size());
    return GRIB_EXIT_OK;
}
