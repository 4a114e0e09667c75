// grib image: conversion between PNG and 8-bit PCX through a palette.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/grib/common.h"
#include "tools/grib/image_io.h"
#include "tools/grib/png_io.h"

namespace {

const char kUsage[] =
    "usage: grib image convert IN OUT [--palette P.pal]\n"
    "\n"
    "Converts between PNG and 8-bit PCX (chosen by the extensions .png, .pcx).\n"
    "  PNG in:  every colour is mapped to the nearest colour of P.pal\n"
    "           (needed); an indexed PNG with P.pal's own colours keeps its\n"
    "           indices\n"
    "  PCX in:  indices are kept; the output's colours are the PCX's colour\n"
    "           map, or P.pal when given\n"
    "P.pal holds 1024 bytes: 256 entries of red, green, blue, flags.\n";

}  // namespace

int GribCmd_Image(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    std::string palettePath;
    std::vector<std::string> args = ToolSplitOption(argc, argv, "--palette", palettePath);
    if (args.size() != 3 || args[0] != "convert") return ToolUsageError(kUsage);
    std::vector<uint8_t> palette;
    std::string error;
    if (!palettePath.empty() && !ToolLoadPalette(palettePath, palette, &error))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", palettePath.c_str(), error.c_str());
    ToolImage image;
    if (int status = ToolReadImage(args[1], palette, -1, &image)) return status;
    if (!palette.empty()) image.palette = palette;
    return ToolWriteImage(args[2], image);
}
