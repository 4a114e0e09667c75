// grib: the command-line kit for the game's data.
#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "grib/env/env.h"
#include "tools/grib/common.h"

namespace {

const ToolCommand kCommands[] = {
    {"archive", "inspect, extract and pack archives", GribCmd_Archive},
    {"vfs", "list and read the merged file system of a game folder", GribCmd_Vfs},
    {"tdf", "read values from text data files", GribCmd_Tdf},
    {"script", "assemble, disassemble and trace unit scripts", GribCmd_Script},
    {"model", "inspect and render 3D models", GribCmd_Model},
    {"gaf", "list, extract and build GAF image files", GribCmd_Gaf},
    {"image", "convert images between PNG and PCX", GribCmd_Image},
    {"palette", "generate a palette's alpha and shade tables", GribCmd_Palette},
    {"font", "convert bitmap fonts", GribCmd_Font},
    {"units", "list the unit catalogue of a game folder", GribCmd_Units},
    {"render", "render a unit with the viewer's frame driver", GribCmd_Render},
    {"export", "export a unit or model as glTF, with its script's animation", GribCmd_Export},
    {"demo", "build the demo game", GribCmd_Demo},
};

void Usage(FILE* out) {
    std::fprintf(out, "usage: grib <command> [arguments]\n\ncommands:\n");
    for (const ToolCommand& c : kCommands) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
    std::fprintf(out, "\n'grib <command> --help' describes a command.\n");
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Byte for byte what the commands print (archive cat writes file data).
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 2) {
        Usage(stderr);
        return GRIB_EXIT_BAD_INPUT;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        Usage(stdout);
        return GRIB_EXIT_OK;
    }
    GRIB_Startup(30, nullptr, 0);
    for (const ToolCommand& c : kCommands)
        if (!std::strcmp(argv[1], c.name)) return c.run(argc - 1, argv + 1);
    return ToolFail(GRIB_EXIT_BAD_INPUT, "unknown command '%s' (see grib --help)", argv[1]);
}
