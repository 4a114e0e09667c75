// grib font: converting bitmap fonts to the library's font format.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kit/image/bdf_font.h"
#include "tools/grib/common.h"

namespace {

const char kUsage[] =
    "usage: grib font from-bdf IN.bdf OUT.fnt [--baseline]\n"
    "\n"
    "Converts the BDF bitmap font IN.bdf (for example an X11 font unpacked\n"
    "with pcf2bdf) to the 1-bit font format the viewer draws text with.\n"
    "Characters with codes 0-255 are kept; each glyph becomes a cell as wide\n"
    "as its advance and as tall as the font's bounding box.\n"
    "\n"
    "  --baseline  store a vertical offset that puts the baseline row (the\n"
    "              bottom row of capital letters) on the row text is drawn at\n"
    "              (default: text is drawn with its top row there)\n"
    "\n"
    "Prints one line: OUT.fnt: N glyphs, codes F-L, height H, offset V.\n"
    "Exit status: 0 converted, 1 IN.bdf not found, 2 bad usage or not a usable\n"
    "BDF font.\n";

int UsageError(const char* message) {
    return ToolFail(GRIB_EXIT_BAD_INPUT, "font: %s (see grib font --help)", message);
}

}  // namespace

int GribCmd_Font(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    if (argc < 2) return UsageError("missing command");
    if (std::strcmp(argv[1], "from-bdf") != 0) return UsageError("unknown command");
    std::vector<std::string> positional;
    BdfFontOptions options;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--baseline"))
            options.baseline = true;
        else if (argv[i][0] == '-' && argv[i][1])
            return UsageError("unknown option");
        else
            positional.push_back(argv[i]);
    }
    if (positional.size() != 2) return UsageError("from-bdf needs IN.bdf and OUT.fnt");

    std::vector<uint8_t> text;
    if (!ToolReadFile(positional[0], text))
        return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: cannot read", positional[0].c_str());
    std::vector<uint8_t> font;
    std::string error;
    BdfFontInfo info;
    std::string_view bdf(reinterpret_cast<const char*>(text.data()), text.size());
    if (!BdfToFont(bdf, font, error, options, &info))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", positional[0].c_str(), error.c_str());
    if (!ToolWriteFile(positional[1], font.data(), font.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot write", positional[1].c_str());
    std::printf("%s: %d glyphs, codes %d-%d, height %d, offset %d\n", positional[1].c_str(), info.glyphs,
                info.firstCode, info.lastCode, info.height, info.verticalOffset);
    return GRIB_EXIT_OK;
}
