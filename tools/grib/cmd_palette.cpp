// grib palette: the alpha and shade tables of a palette.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kit/image/palette_tables.h"
#include "tools/grib/common.h"
#include "tools/grib/png_io.h"

namespace {

const char kUsage[] =
    "usage: grib palette tables IN.pal OUT.alp OUT.shd\n"
    "\n"
    "Writes the two lookup tables of a palette (1024 bytes: 256 entries of\n"
    "red, green, blue, flags):\n"
    "  OUT.alp  65536 bytes; entry s*256+d is the palette colour nearest to\n"
    "           the even mix of colours s and d (translucent drawing)\n"
    "  OUT.shd  8192 bytes, 32 levels of 256 colours; level 16 keeps each\n"
    "           colour, lower levels darken it to black at 0, higher ones\n"
    "           brighten it toward white (lighting)\n";

}  // namespace

int GribCmd_Palette(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    if (argc != 5 || std::strcmp(argv[1], "tables")) return ToolUsageError(kUsage);
    std::vector<uint8_t> palette;
    std::string error;
    if (!ToolLoadPalette(argv[2], palette, &error)) {
        bool missing = error.rfind("can't", 0) == 0;
        return ToolFail(missing ? GRIB_EXIT_NOT_FOUND : GRIB_EXIT_BAD_INPUT, "%s: %s", argv[2], error.c_str());
    }
    std::vector<uint8_t> alpha = KitMakeAlphaTable(palette.data());
    std::vector<uint8_t> shade = KitMakeShadeTable(palette.data());
    if (!ToolWriteFile(argv[3], alpha.data(), alpha.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write the file", argv[3]);
    if (!ToolWriteFile(argv[4], shade.data(), shade.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write the file", argv[4]);
    return GRIB_EXIT_OK;
}
